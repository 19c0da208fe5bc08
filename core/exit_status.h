// How the program ends, as its process exit status. Users' scripts rely on
// these numbers: never renumber them.
#pragma once

constexpr int kExitWindowClosed = 0;  // the user closed the window
// A run-time error nobody handled, or, once an update has called the library,
// a crash of the program's own code; the user was told. A crash of ours
// before that is Windows's to report.
constexpr int kExitUnhandledError = 1;
constexpr int kExitFlashingLibraryMissing = 2;  // OSCdll.DLL did not load
constexpr int kExitBootLibraryMissing = 3;      // AT91Boot_DLL.dll did not load
// The flashing library crashed: on the calling thread during a call, on a
// thread one of its calls started, or inside its own code at any time. The
// user was told by the program's own report, or, where that could not come up
// in time, by the watcher outside the program. The library ending the program
// itself during a call leaves a status of its choosing (or C0000409, C0000374
// when Windows ends it); the watcher tells the user then too.
constexpr int kExitLibraryFault = 4;
