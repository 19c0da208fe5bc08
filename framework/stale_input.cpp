#include "stale_input.h"

namespace {

// The innermost filter of each thread. A TLS slot rather than thread_local,
// whose first use on a thread allocates: a crash report may need a filter
// while the heap is locked.
DWORD CurrentSlot() {
    static const DWORD slot = TlsAlloc();
    return slot;
}

IgnoreStaleInput* Current() {
    return CurrentSlot() == TLS_OUT_OF_INDEXES ? nullptr
                                               : static_cast<IgnoreStaleInput*>(TlsGetValue(CurrentSlot()));
}

void SetCurrent(IgnoreStaleInput* filter) {
    if (CurrentSlot() != TLS_OUT_OF_INDEXES) TlsSetValue(CurrentSlot(), filter);
}

}  // namespace

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

namespace {

constexpr LPARAM kWasDown = LPARAM{1} << 30;  // a key-down or character repeated by a held key

}  // namespace

// The dialog manager acts on every key-down, repeats included: a filter on
// the modal loop of this thread's message boxes and dialogs sees them first.
IgnoreStaleInput::IgnoreStaleInput()
    : hook_(SetWindowsHookExW(WH_MSGFILTER, FilterDialogInput, nullptr, GetCurrentThreadId())),
      outer_(Current()) {
    DiscardQueuedInput();
    SetCurrent(this);
}

IgnoreStaleInput::~IgnoreStaleInput() {
    SetCurrent(outer_);
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
}

LRESULT CALLBACK IgnoreStaleInput::FilterDialogInput(int code, WPARAM wParam, LPARAM lParam) {
    IgnoreStaleInput* current = Current();
    if (code == MSGF_DIALOGBOX && current != nullptr &&
        current->IsStale(*reinterpret_cast<const MSG*>(lParam)))
        return TRUE;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// A key's release is never stale: a button acts on it only after its press.
bool IgnoreStaleInput::IsStale(const MSG& message) {
    const std::size_t key = message.wParam & 0xFF;
    switch (message.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (message.lParam & kWasDown) {
                lastKeyDownStale_ = !keysPressedHere_.test(key);
            } else {
                keysPressedHere_.set(key);
                lastKeyDownStale_ = false;
            }
            return lastKeyDownStale_;
        case WM_CHAR:
        case WM_SYSCHAR:
        case WM_DEADCHAR:
        case WM_SYSDEADCHAR: return (message.lParam & kWasDown) != 0 && lastKeyDownStale_;
        case WM_KEYUP:
        case WM_SYSKEYUP: keysPressedHere_.reset(key); return false;
    }
    return false;
}
