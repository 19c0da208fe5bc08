#pragma once

#include <windows.h>

#include <cstdint>

namespace Inicio {

// The flashing library's one entry point. `path` is the firmware file's path
// in the ANSI code page; the library may write into it.
using FlashProgramATFn = std::int32_t(WINAPI*)(char* path);

// Bound on its first use and kept; throws AppError when the library or the
// export cannot be bound, and the next use tries again.
FlashProgramATFn FlashProgramAT();

}  // namespace Inicio
