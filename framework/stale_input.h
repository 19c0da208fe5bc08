// Input meant for what came before never answers a modal window: a key typed
// ahead or a click already queued, a held key's repeats, or the release of a
// key pressed before the window came up.
#pragma once

#include <windows.h>

#include <bitset>

// Lives exactly as long as the modal window: made right before it opens.
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
};
