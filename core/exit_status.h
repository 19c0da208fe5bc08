// How the program ends, as its process exit status. Users' scripts rely on
// these numbers: never renumber them.
#pragma once

constexpr int kExitWindowClosed = 0;            // the user closed the window
constexpr int kExitUnhandledError = 1;          // a run-time error nobody handled; the user was told
constexpr int kExitFlashingLibraryMissing = 2;  // OSCdll.DLL did not load
constexpr int kExitBootLibraryMissing = 3;      // AT91Boot_DLL.dll did not load
constexpr int kExitLibraryFault = 4;            // the flashing library crashed; the user was told
