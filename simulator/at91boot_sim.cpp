// Stand-in for the boot-loader library: the program only needs it to load.
#include <windows.h>

#include "sim_log.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) AppendToSimLog("loaded AT91Boot_DLL.dll");
    return TRUE;
}
