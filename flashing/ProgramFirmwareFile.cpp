#include "ProgramFirmwareFile.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "FlashProgramAT.h"
#include "library_path.h"
#include "library_result.h"
#include "text_conversion.h"
#include "update_attempt.h"

namespace Inicio {

namespace {

std::optional<std::wstring> ShortPathOf(const std::wstring& path) {
    const DWORD needed = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0) return std::nullopt;
    std::wstring shortPath(needed, L'\0');
    const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), needed);
    if (length == 0 || length >= needed) return std::nullopt;
    shortPath.resize(length);
    return shortPath;
}

}  // namespace

FlashAnswer ProgramFirmwareFile(std::wstring& path, UpdateAttempt& attempt) {
    const auto chosen = AnsiPathForLibrary(path, ToAnsi, ShortPathOf);
    if (const FlashRefusal* refusal = std::get_if<FlashRefusal>(&chosen)) return *refusal;
    const std::string& bytes = std::get<std::string>(chosen);
    // The path and its NUL, zero-filled to at least MAX_PATH: a library that
    // takes it for a char[MAX_PATH] of its own writes into nothing else.
    std::vector<char> buffer(std::max<std::size_t>(bytes.size() + 1, MAX_PATH), '\0');
    std::copy(bytes.begin(), bytes.end(), buffer.begin());

    const std::int32_t result = attempt.Call(FlashProgramAT(), buffer.data());

    try {
        path = FromAnsi(std::string(buffer.data(), strnlen(buffer.data(), buffer.size())));
    } catch (const std::bad_alloc&) {
        // The path stays as given: what the library did must still be told.
    }
    return NarrowToFlashResult(result);
}

}  // namespace Inicio
