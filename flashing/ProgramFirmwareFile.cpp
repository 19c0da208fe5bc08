#include "ProgramFirmwareFile.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "FlashProgramAT.h"
#include "library_path.h"
#include "text_conversion.h"

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

FlashResult ProgramFirmwareFile(std::wstring& path) {
    const std::string bytes = AnsiPathForLibrary(path, ToAnsi, ShortPathOf);
    // Exactly the path and its NUL: the library gets a buffer it may write into.
    std::vector<char> buffer(bytes.begin(), bytes.end());
    buffer.push_back('\0');

    const std::int32_t result = FlashProgramAT(buffer.data());

    path = FromAnsi(std::string(buffer.data(), strnlen(buffer.data(), buffer.size())));
    return NarrowToFlashResult(result);
}

}  // namespace Inicio
