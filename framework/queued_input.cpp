#include "queued_input.h"

#include <windows.h>

void DiscardQueuedInput() {
    // Ranges, not PM_QS_INPUT: posted key and mouse messages go too.
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
