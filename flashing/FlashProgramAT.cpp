#include "FlashProgramAT.h"

#include "app_directory.h"
#include "app_error.h"
#include "application.h"
#include "exported_function.h"
#include "library_names.h"

namespace Inicio {

namespace {

FlashProgramATFn BindFlashProgramAT() {
    // The very module start-up loaded from the application directory: a load
    // by bare name could be served by another library of the same name.
    HMODULE library = GetModuleHandleW(PathInDirectory(AppPath(), kFlashingLibrary).c_str());
    if (library == nullptr)
        throw AppError{kErrFileNotFound, std::wstring(L"File not found: ") + kFlashingLibrary};
    const auto entry = ExportedFunction<FlashProgramATFn>(library, "_FlashProgramAT@4");
    if (entry == nullptr)
        throw AppError{kErrDllEntryPoint,
                       std::wstring(L"Can't find DLL entry point _FlashProgramAT@4 in ") + kFlashingLibrary};
    return entry;
}

}  // namespace

FlashProgramATFn FlashProgramAT() {
    // Stays empty after a failed binding, so the next call tries again.
    static FlashProgramATFn entry = nullptr;
    if (entry == nullptr) entry = BindFlashProgramAT();
    return entry;
}

}  // namespace Inicio
