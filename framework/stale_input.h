// Input meant for what came before never answers a modal window: a key typed
// ahead or a click already queued, or the repeats of a key held since before
// the window came up. A key first pressed in the window repeats as usual.
#pragma once

#include <windows.h>

#include <bitset>

// Key strokes and clicks queued for this thread, which were meant for what came before.
void DiscardQueuedInput();

// Lives exactly as long as the modal window: made right before it opens, on
// the thread that shows it. Each thread has its own.
class IgnoreStaleInput {
public:
    IgnoreStaleInput();
    ~IgnoreStaleInput();
    IgnoreStaleInput(const IgnoreStaleInput&) = delete;
    IgnoreStaleInput& operator=(const IgnoreStaleInput&) = delete;

private:
    static LRESULT CALLBACK FilterDialogInput(int code, WPARAM wParam, LPARAM lParam);
    bool IsStale(const MSG& message);

    HHOOK hook_;
    IgnoreStaleInput* outer_;
    std::bitset<256> keysPressedHere_;
    bool lastKeyDownStale_ = false;
};
