#include "Inicio.h"

#include "FlasherMain.h"
#include "WindowsAPI.h"
#include "current_directory.h"
#include "exit_status.h"
#include "floating_point_control.h"
#include "library_names.h"

namespace Inicio {

int Main() {
    // Order matters: the boot-loader library is only tried once the flashing library is in.
    if (WindowsAPI::LoadAppLibrary(kFlashingLibrary) < 0) return kExitFlashingLibraryMissing;
    if (WindowsAPI::LoadAppLibrary(kBootLoaderLibrary) < 0) return kExitBootLibraryMissing;
    // Whatever their start-up code changed.
    RestoreFloatingPointControl();
    KeepCurrentDirectoryOutOfDllSearch();

    static FlasherMain flasherMain;
    flasherMain.Show();
    return kExitWindowClosed;
}

}  // namespace Inicio
