#include "message_box.h"

#include "stale_input.h"
#include "win32_error.h"

int ShowMessageBox(HWND owner, const std::wstring& text, const wchar_t* title, UINT style) {
    // A key or click meant for what came before must not answer this box.
    const IgnoreStaleInput staleInput;
    const int answer = MessageBoxW(owner, text.c_str(), title, style);
    if (answer == 0) throw LastWin32Error(L"MessageBoxW");
    return answer;
}
