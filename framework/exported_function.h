#pragma once

#include <windows.h>

// GetProcAddress, typed as the function it returns; null when `module` is null
// or lacks the export.
template <class Fn>
Fn ExportedFunction(HMODULE module, const char* name) {
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
