#include "message_box.h"

#include "app_title.h"
#include "win32_error.h"

int ShowMessageBox(HWND owner, const MessageBoxSpec& box) {
    const wchar_t* title = box.title ? box.title->c_str() : kAppTitle;
    const int answer = MessageBoxW(owner, box.text.c_str(), title, static_cast<UINT>(box.style));
    if (answer == 0) throw Win32Error(L"MessageBoxW", GetLastError());
    return answer;
}
