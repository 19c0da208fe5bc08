#include "message_box.h"

#include "app_title.h"
#include "stale_input.h"
#include "win32_error.h"

static_assert(kButtonsOk == MB_OK && kButtonsOkCancel == MB_OKCANCEL &&
              kButtonsRetryCancel == MB_RETRYCANCEL);
static_assert(kIconError == MB_ICONERROR && kIconExclamation == MB_ICONEXCLAMATION &&
              kTaskModal == MB_TASKMODAL);
static_assert(kAnswerOk == IDOK && kAnswerCancel == IDCANCEL && kAnswerRetry == IDRETRY);

int ShowMessageBox(HWND owner, const MessageBoxContents& box) {
    const wchar_t* title = box.title ? box.title->c_str() : kAppTitle;
    // A key or click meant for what came before must not answer this box.
    const IgnoreStaleInput staleInput;
    const int answer = MessageBoxW(owner, box.text.c_str(), title, static_cast<UINT>(box.style));
    if (answer == 0) throw LastWin32Error(L"MessageBoxW");
    return answer;
}
