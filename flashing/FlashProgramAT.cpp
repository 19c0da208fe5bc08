#include "FlashProgramAT.h"

#include <windows.h>

#include "app_error.h"
#include "exported_function.h"
#include "library_call.h"
#include "library_names.h"

namespace Inicio {

namespace {

using FlashProgramATFn = std::int32_t(WINAPI*)(char* path);

FlashProgramATFn BindFlashProgramAT() {
    // By bare name on purpose: Windows hands back the module that start-up
    // loaded from the application directory.
    HMODULE library = LoadLibraryW(kFlashingLibrary);
    if (library == nullptr) {
        const DWORD error = GetLastError();
        if (error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND)
            throw AppError{kErrFileNotFound, std::wstring(L"File not found: ") + kFlashingLibrary};
        throw AppError{kErrDllLoad, L"Error in loading DLL"};
    }
    const auto entry = ExportedFunction<FlashProgramATFn>(library, "_FlashProgramAT@4");
    if (entry == nullptr) {
        FreeLibrary(library);
        throw AppError{kErrDllEntryPoint,
                       std::wstring(L"Can't find DLL entry point _FlashProgramAT@4 in ") + kFlashingLibrary};
    }
    return entry;
}

}  // namespace

std::int32_t FlashProgramAT(char* path) {
    // Stays empty after a failed binding, so the next call tries again.
    static FlashProgramATFn entry = nullptr;
    if (entry == nullptr) entry = BindFlashProgramAT();
    const LibraryCall call;
    return entry(path);
}

}  // namespace Inicio
