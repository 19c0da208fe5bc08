// A library of the flashing library's own, loaded only while it works: a crash
// in it is named by a module the program did not see before the call.
#include <windows.h>

extern "C" __declspec(dllexport) void CrashHere() {
    *static_cast<int* volatile>(nullptr) = 0;
}
