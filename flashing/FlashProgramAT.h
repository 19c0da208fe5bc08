#pragma once

#include <cstdint>

namespace Inicio {

// The flashing library's one entry point, bound on its first call; throws
// AppError when the library or the export cannot be bound. `path` is the
// firmware file's path in the ANSI code page; the library may write into it.
std::int32_t FlashProgramAT(char* path);

}  // namespace Inicio
