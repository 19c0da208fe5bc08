// Stand-in for the maker's flashing library: a simulated controller, or, for
// tests, a scripted one. Exported as "_FlashProgramAT@4" (see the .def files).
//
// KORVANI_SIM_RESULTS="r1,r2,..."  results of successive calls (the last repeats)
// KORVANI_SIM_LOG=<file>           a line per call: path bytes, file size, CRC-32, result
// KORVANI_SIM_DELAY_MS=<n>         each call takes that long
// KORVANI_SIM_SCRIBBLE=1           overwrite the path buffer (within its length) before returning
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "crc32.h"
#include "firmware_image.h"
#include "sim_log.h"

namespace {

std::string Environment(const char* name) {
    const DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
    if (size == 0) return std::string();
    std::string value(size, '\0');
    const DWORD length = GetEnvironmentVariableA(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

struct FileContents {
    bool opened = false;
    std::vector<unsigned char> bytes;
};

// Opened through the ANSI functions, as the maker's library does.
FileContents ReadFirmwareFile(const char* path) {
    FileContents file;
    HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return file;
    file.opened = true;
    unsigned char chunk[64 * 1024];
    DWORD read;
    while (ReadFile(handle, chunk, sizeof chunk, &read, nullptr) && read > 0)
        file.bytes.insert(file.bytes.end(), chunk, chunk + read);
    CloseHandle(handle);
    return file;
}

std::string Escaped(const char* path) {
    std::string text;
    for (const char* p = path; *p != '\0'; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        if (byte >= 0x20 && byte < 0x7F) {
            text += *p;
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            text += hex;
        }
    }
    return text;
}

std::int32_t ScriptedResult(const std::string& script) {
    static int call = 0;
    std::vector<long long> results;
    const char* p = script.c_str();
    while (*p != '\0') {
        char* end;
        results.push_back(std::strtoll(p, &end, 10));
        p = *end == ',' ? end + 1 : end + std::strlen(end);
    }
    const std::size_t index = std::min<std::size_t>(static_cast<std::size_t>(call++), results.size() - 1);
    return static_cast<std::int32_t>(results[index]);
}

bool WriteSimulatedFlash(const std::vector<unsigned char>& image) {
    wchar_t folder[MAX_PATH + 1];
    if (GetTempPathW(MAX_PATH + 1, folder) == 0) return false;
    const std::wstring path = std::wstring(folder) + L"KorvaniSimulatedFlash.bin";
    HANDLE flash =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (flash == INVALID_HANDLE_VALUE) return false;
    std::vector<unsigned char> contents(kFlashSize, 0xFF);  // erased flash reads as 0xFF
    std::copy(image.begin(), image.end(), contents.begin());
    DWORD written;
    const bool ok =
        WriteFile(flash, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr) &&
        written == contents.size();
    CloseHandle(flash);
    return ok;
}

std::int32_t SimulatedController(const FileContents& file) {
    if (!file.opened) return -1;
    if (file.bytes.size() < kMinImageSize || !HasArmVectorTable(file.bytes.data(), file.bytes.size()))
        return -3;
    if (file.bytes.size() > kFlashSize) return -4;
    Sleep(1500);  // erasing and programming take a while on the real device
    return WriteSimulatedFlash(file.bytes) ? 0 : -1;
}

}  // namespace

extern "C" std::int32_t WINAPI FlashProgramAT(char* path) {
    const FileContents file = ReadFirmwareFile(path);
    const std::string script = Environment("KORVANI_SIM_RESULTS");
    const std::int32_t result = script.empty() ? SimulatedController(file) : ScriptedResult(script);

    const std::string delay = Environment("KORVANI_SIM_DELAY_MS");
    if (!delay.empty()) Sleep(static_cast<DWORD>(std::strtoul(delay.c_str(), nullptr, 10)));

    char line[128];
    std::snprintf(line, sizeof line, " opened=%d size=%llu crc=%08X result=%ld", file.opened ? 1 : 0,
                  static_cast<unsigned long long>(file.bytes.size()),
                  Crc32(file.bytes.data(), file.bytes.size()), static_cast<long>(result));
    AppendToSimLog("call path=" + Escaped(path) + line);

    if (Environment("KORVANI_SIM_SCRIBBLE") == "1") {
        for (char* p = path; *p != '\0'; ++p) *p = '#';
    }
    return result;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) AppendToSimLog("loaded OSCdll.DLL");
    return TRUE;
}
