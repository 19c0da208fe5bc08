#pragma once

#include <cstdint>
#include <string>

namespace WindowsAPI {

// Loads `fileName` from the application directory and leaves it loaded for the
// life of the process. 0 when loaded, -1 when not.
std::int16_t LoadAppLibrary(const std::wstring& fileName);

}  // namespace WindowsAPI
