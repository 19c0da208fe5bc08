#include "stale_input.h"

namespace {

IgnoreStaleInput* current = nullptr;

// Ranges, not PM_QS_INPUT: posted key and mouse messages go too.
void DiscardQueuedInput() {
    static constexpr struct {
        UINT first, last;
    } kInput[] = {
        {WM_KEYFIRST, WM_KEYLAST},
        {WM_MOUSEFIRST, WM_MOUSELAST},
        {WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK},
    };
    MSG message;
    for (const auto& range : kInput)
        while (PeekMessageW(&message, nullptr, range.first, range.last, PM_REMOVE)) {
        }
}

constexpr LPARAM kWasDown = LPARAM{1} << 30;  // a key-down or character repeated by a held key

}  // namespace

// The dialog manager acts on every key-down, repeats included: a filter on
// the modal loop of this thread's message boxes and dialogs sees them first.
IgnoreStaleInput::IgnoreStaleInput()
    : hook_(SetWindowsHookExW(WH_MSGFILTER, FilterDialogInput, nullptr, GetCurrentThreadId())),
      outer_(current) {
    DiscardQueuedInput();
    current = this;
}

IgnoreStaleInput::~IgnoreStaleInput() {
    current = outer_;
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
}

LRESULT CALLBACK IgnoreStaleInput::FilterDialogInput(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_DIALOGBOX && current != nullptr &&
        current->IsStale(*reinterpret_cast<const MSG*>(lParam)))
        return TRUE;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool IgnoreStaleInput::IsStale(const MSG& message) {
    const std::size_t key = message.wParam & 0xFF;
    switch (message.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (message.lParam & kWasDown) return true;
            keysPressedHere_.set(key);
            return false;
        case WM_CHAR:
        case WM_SYSCHAR:
        case WM_DEADCHAR:
        case WM_SYSDEADCHAR: return (message.lParam & kWasDown) != 0;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            if (!keysPressedHere_.test(key)) return true;
            keysPressedHere_.reset(key);
            return false;
    }
    return false;
}
