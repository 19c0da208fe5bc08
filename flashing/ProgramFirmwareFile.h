#pragma once

#include <string>

#include "update_workflow.h"

class UpdateAttempt;

namespace Inicio {

// Hands `path` to the flashing library within `attempt` and waits for its
// answer. On return `path` holds the text as the library left it. A path the
// library cannot open is refused without calling it. Throws AppError when the
// library cannot be bound or its answer does not fit a FlashResult.
FlashAnswer ProgramFirmwareFile(std::wstring& path, UpdateAttempt& attempt);

}  // namespace Inicio
