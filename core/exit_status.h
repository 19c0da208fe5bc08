// How the program ends, as its process exit status. Users' scripts rely on
// these numbers: never renumber them.
#pragma once

constexpr int kExitWindowClosed = 0;            // the user closed the window
constexpr int kExitUnhandledError = 1;          // a run-time error nobody handled; the user was told
constexpr int kExitFlashingLibraryMissing = 2;  // OSCdll.DLL did not load
constexpr int kExitBootLibraryMissing = 3;      // AT91Boot_DLL.dll did not load
// The flashing library crashed during or after a call. The user was told by
// the program's own report, or, where that could not come up in time, by the
// watcher outside the program. The library ending the program itself during
// a call leaves a status of its choosing (or C0000409, C0000374 when Windows
// ends it); the watcher tells the user then too.
constexpr int kExitLibraryFault = 4;
