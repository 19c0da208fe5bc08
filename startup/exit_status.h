// How the program ends, as its process exit status. One more ending, an
// unhandled run-time error, is the framework's: kExitUnhandledError (1).
#pragma once

constexpr int kExitNormal = 0;                  // the window was closed
constexpr int kExitFlashingLibraryMissing = 2;  // OSCdll.DLL did not load
constexpr int kExitBootLibraryMissing = 3;      // AT91Boot_DLL.dll did not load
constexpr int kExitLibraryFault = 4;            // the flashing library crashed; the user was told
