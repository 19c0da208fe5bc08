#include <windows.h>

#include <exception>

#include "Inicio.h"
#include "application.h"
#include "exit_status.h"
#include "library_call.h"

const wchar_t kApplicationTitle[] = L"Korvani Update";

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Never look for a DLL in the current directory. The rest of the search
    // order stays: the maker's library may rely on it for its own dependencies.
    SetDllDirectoryW(L"");
    SaveProcessStateBeforeLibraries();
    // The window does not answer while the library flashes; a "Not Responding"
    // ghost would offer to end the program mid-flash.
    DisableProcessWindowsGhosting();

    int status;
    try {
        status = Inicio::Main();
    } catch (...) {
        ReportUnhandledError(std::current_exception());
        return kExitUnhandledError;
    }
    if (status != kExitWindowClosed) return status;
    return RunMessageLoop() == RunEnd::LastWindowClosed ? kExitWindowClosed : kExitUnhandledError;
}
