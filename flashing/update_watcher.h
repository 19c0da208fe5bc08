// The watcher outside the process that tells the user what the program could
// not: that it ended during an update whose controller may be left erased or
// half-written, or after a crash whose report never came up.
#pragma once

#include <cstdint>

#include "library_fault_text.h"

// In the watcher's process: whether this run is one, and running it.
bool IsUpdateWatcherRun(const wchar_t* commandLine) noexcept;
int RunUpdateWatcher(const wchar_t* commandLine) noexcept;

// Before each call into the library: the watcher is started the first time
// (the update goes on without it if it cannot be).
void StartUpdateWatcher() noexcept;
void MarkAttemptStage(AttemptStage stage, std::int32_t result) noexcept;
