#include "WindowsAPI.h"

#include <windows.h>

#include "app_directory.h"
#include "application.h"

namespace WindowsAPI {

std::int16_t LoadAppLibrary(const std::wstring& fileName) {
    // The wide path names exactly this folder: an ANSI conversion could
    // best-fit a folder name into a different, existing folder.
    const std::wstring path = PathInDirectory(AppPath(), fileName);
    return LoadLibraryW(path.c_str()) != nullptr ? 0 : -1;
}

}  // namespace WindowsAPI
