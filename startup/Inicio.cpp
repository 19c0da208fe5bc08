#include "Inicio.h"

#include "FlasherMain.h"
#include "WindowsAPI.h"
#include "exit_status.h"

namespace Inicio {

int Main() {
    // Order matters: the boot-loader library is only tried once the flashing library is in.
    if (WindowsAPI::LoadAppLibrary(L"OSCdll.DLL") < 0) return kExitFlashingLibraryMissing;
    if (WindowsAPI::LoadAppLibrary(L"AT91Boot_DLL.dll") < 0) return kExitBootLibraryMissing;

    static FlasherMain flasherMain;
    flasherMain.Show();
    return kExitNormal;
}

}  // namespace Inicio
