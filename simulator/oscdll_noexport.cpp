// A flashing library that loads but lacks the entry point the program binds.
#include <windows.h>

extern "C" __declspec(dllexport) int WINAPI FlashProgram(char*) {
    return 0;
}
