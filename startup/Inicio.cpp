#include "Inicio.h"

#include "FlasherMain.h"
#include "WindowsAPI.h"
#include "exit_status.h"
#include "library_names.h"
#include "process_state.h"

namespace Inicio {

int Main() {
    // Order matters: the boot-loader library is only tried once the flashing library is in.
    if (WindowsAPI::LoadAppLibrary(kFlashingLibrary) < 0) return kExitFlashingLibraryMissing;
    if (WindowsAPI::LoadAppLibrary(kBootLoaderLibrary) < 0) return kExitBootLibraryMissing;
    RestoreProcessState();  // whatever their start-up code changed

    static FlasherMain flasherMain;
    flasherMain.Show();
    return kExitWindowClosed;
}

}  // namespace Inicio
