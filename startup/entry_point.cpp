#include <windows.h>

#include <exception>

#include "Inicio.h"
#include "application.h"
#include "current_directory.h"
#include "exit_status.h"
#include "fault_watch.h"
#include "floating_point_control.h"
#include "update_watcher.h"

const wchar_t kApplicationTitle[] = L"Korvani Update";

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // The same executable, started by an update to tell what it cannot tell itself.
    if (IsUpdateWatcherRun(GetCommandLineW())) return RunUpdateWatcher(GetCommandLineW());

    SaveFloatingPointControl();
    KeepCurrentDirectoryOutOfDllSearch();
    SetSearchPathMode(BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT);
    // A heap the library corrupts ends the process at once instead of running
    // on with it; the update's watcher then tells the user.
    HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);
    // The window does not answer while the library flashes; a "Not Responding"
    // ghost would offer to end the program mid-flash.
    DisableProcessWindowsGhosting();
    // The library is called from inside the window procedure.
    FaultWatch::LetCallbackExceptionsThrough();

    int status;
    try {
        status = Inicio::Main();
    } catch (...) {
        ReportUnhandledError(std::current_exception());
        return kExitUnhandledError;
    }
    if (status != kExitWindowClosed) return status;
    status = RunMessageLoop() == RunEnd::LastWindowClosed ? kExitWindowClosed : kExitUnhandledError;
    // A crash being reported ends the program with its own status, and the
    // library's detach code must not run after it.
    FaultWatch::StopIfClaimed();
    return status;
}
