// A fixed-size top-level window with one push button, built from a definition
// in twips and laid out for the DPI of the monitor it is on.
#pragma once

#include <windows.h>

#include <functional>

struct TwipsRect {
    int left, top, width, height;
};

struct FormDefinition {
    const wchar_t* className;
    const wchar_t* title;
    int clientWidthTwips;
    int clientHeightTwips;
    int iconResourceId;
    int buttonId;
    const wchar_t* buttonCaption;
    TwipsRect buttonRect;
};

// While its button's click runs, a second click does nothing and a request
// to close the window is ignored: what the click started is seen to its end.
// Log-off and shutdown are held off only while a ShutdownBlock lives.
class FormWindow {
public:
    FormWindow(const FormDefinition& definition, std::function<void()> onButtonClick);
    ~FormWindow();
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    void Create();  // hidden until Show
    void Show();
    HWND Handle() const { return window_; }

    // While it lives the window takes no input and shows the wait cursor; what
    // was typed or clicked meanwhile is dropped when it ends.
    class Busy {
    public:
        explicit Busy(FormWindow& form);
        ~Busy();
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        FormWindow& form_;
        HCURSOR previousCursor_;
    };

    // While it lives, log-off and shutdown are refused, and Windows shows the reason.
    class ShutdownBlock {
    public:
        ShutdownBlock(FormWindow& form, const wchar_t* reason);
        ~ShutdownBlock();
        void SetReason(const wchar_t* reason);
        ShutdownBlock(const ShutdownBlock&) = delete;
        ShutdownBlock& operator=(const ShutdownBlock&) = delete;

    private:
        FormWindow& form_;
    };

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void ApplyDpi(int dpi, const RECT* suggestedWindowRect);

    const FormDefinition& definition_;
    std::function<void()> onButtonClick_;
    HWND window_ = nullptr;
    HWND button_ = nullptr;
    HFONT font_ = nullptr;
    bool clickRunning_ = false;
    bool busy_ = false;
    bool shutdownBlocked_ = false;
};
