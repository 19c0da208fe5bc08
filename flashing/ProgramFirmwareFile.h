#pragma once

#include <string>

#include "flash_result.h"

namespace Inicio {

// Hands `path` to the flashing library and waits for its answer. On return
// `path` holds the text as the library left it. Throws AppError when the
// library cannot be bound, the path cannot be passed without loss, or the
// answer does not fit a FlashResult.
FlashResult ProgramFirmwareFile(std::wstring& path);

}  // namespace Inicio
