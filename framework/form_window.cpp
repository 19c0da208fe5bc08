#include "form_window.h"

#include <commctrl.h>

#include "application.h"
#include "exported_function.h"
#include "stale_input.h"
#include "twips.h"
#include "win32_error.h"

namespace {

// Per-monitor DPI functions exist from Windows 10 1607 on; resolved at run
// time so the program still starts on older systems.
template <class Fn>
Fn User32Function(const char* name) {
    return ExportedFunction<Fn>(GetModuleHandleW(L"user32.dll"), name);
}

int SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : USER_DEFAULT_SCREEN_DPI;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return dpi;
}

int WindowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    const UINT dpi = getDpiForWindow != nullptr ? getDpiForWindow(window) : 0;
    return dpi != 0 ? static_cast<int>(dpi) : SystemDpi();
}

RECT WindowRectForClient(int width, int height, DWORD style, DWORD exStyle, int dpi) {
    using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    RECT rect = {0, 0, width, height};
    if (adjustForDpi != nullptr)
        adjustForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi));
    else
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    return rect;
}

// The system's message font, at the window's DPI.
HFONT CreateMessageFont(int dpi) {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return nullptr;
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, SystemDpi());
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;  // fixed border, no min/max box
constexpr DWORD kExStyle = 0;

}  // namespace

FormWindow::FormWindow(const FormDefinition& definition, std::function<void()> onButtonClick)
    : definition_(definition), onButtonClick_(std::move(onButtonClick)) {}

FormWindow::~FormWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
    if (font_ != nullptr) DeleteObject(font_);
}

void FormWindow::Create() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(definition_.iconResourceId), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    windowClass.hIconSm =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(definition_.iconResourceId), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = definition_.className;
    if (!RegisterClassExW(&windowClass)) throw LastWin32Error(L"RegisterClassExW");

    window_ = CreateWindowExW(kExStyle, definition_.className, definition_.title, kStyle, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this);
    if (window_ == nullptr) throw LastWin32Error(L"CreateWindowExW");

    button_ = CreateWindowExW(
        0, WC_BUTTONW, definition_.buttonCaption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0,
        0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(definition_.buttonId)), instance, nullptr);
    if (button_ == nullptr) throw LastWin32Error(L"CreateWindowExW");
    ApplyDpi(WindowDpi(window_), nullptr);
}

void FormWindow::Show() {
    ShowWindow(window_, SW_SHOWNORMAL);
    SetFocus(button_);
}

void FormWindow::ApplyDpi(int dpi, const RECT* suggestedWindowRect) {
    if (suggestedWindowRect != nullptr) {
        SetWindowPos(window_, nullptr, suggestedWindowRect->left, suggestedWindowRect->top,
                     suggestedWindowRect->right - suggestedWindowRect->left,
                     suggestedWindowRect->bottom - suggestedWindowRect->top, SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        const RECT frame =
            WindowRectForClient(TwipsToPixels(definition_.clientWidthTwips, dpi),
                                TwipsToPixels(definition_.clientHeightTwips, dpi), kStyle, kExStyle, dpi);
        SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const TwipsRect& r = definition_.buttonRect;
    MoveWindow(button_, TwipsToPixels(r.left, dpi), TwipsToPixels(r.top, dpi), TwipsToPixels(r.width, dpi),
               TwipsToPixels(r.height, dpi), TRUE);

    HFONT font = CreateMessageFont(dpi);
    if (font != nullptr) {
        SendMessageW(button_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        if (font_ != nullptr) DeleteObject(font_);
        font_ = font;
    }
}

LRESULT CALLBACK FormWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr || self->window_ == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    GuardAgainstUnhandledErrors([&] { result = self->HandleMessage(message, wParam, lParam); });
    return result;
}

FormWindow::Busy::Busy(FormWindow& form)
    : form_(form), previousCursor_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {
    form_.busy_ = true;
    EnableWindow(form_.window_, FALSE);
}

FormWindow::Busy::~Busy() {
    DiscardQueuedInput();  // typed or clicked at a window that was not listening
    EnableWindow(form_.window_, TRUE);
    // Disabled, it lost the focus; no activation comes to give it back.
    if (GetActiveWindow() == form_.window_) SetFocus(form_.button_);
    form_.busy_ = false;
    SetCursor(previousCursor_);
}

FormWindow::ShutdownBlock::ShutdownBlock(FormWindow& form, const wchar_t* reason) : form_(form) {
    form_.shutdownBlocked_ = true;
    ShutdownBlockReasonCreate(form_.window_, reason);
}

void FormWindow::ShutdownBlock::SetReason(const wchar_t* reason) {
    ShutdownBlockReasonCreate(form_.window_, reason);  // replaces the one shown
}

FormWindow::ShutdownBlock::~ShutdownBlock() {
    ShutdownBlockReasonDestroy(form_.window_);
    form_.shutdownBlocked_ = false;
}

LRESULT FormWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == definition_.buttonId && HIWORD(wParam) == BN_CLICKED) {
                // A click can arrive while one runs: posted, or through a nested message loop.
                if (clickRunning_) return 0;
                clickRunning_ = true;
                struct Done {
                    bool& running;
                    ~Done() { running = false; }
                } done{clickRunning_};
                onButtonClick_();
                return 0;
            }
            break;
        case DM_GETDEFID:
            // The dialog keyboard handling asks which button Enter presses: the
            // focused one, as on any push button with the focus.
            return MAKELRESULT(definition_.buttonId, DC_HASDEFID);
        case WM_CLOSE:
            if (clickRunning_) return 0;
            break;
        case WM_QUERYENDSESSION:
            if (shutdownBlocked_) return FALSE;
            break;
        case WM_SETCURSOR:
            if (busy_) {
                SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case WM_ACTIVATE:
            // Give the focus back to the button when the window is reactivated.
            if (LOWORD(wParam) != WA_INACTIVE) SetFocus(button_);
            return 0;
        case WM_DPICHANGED: ApplyDpi(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam)); return 0;
        case WM_DESTROY:
            window_ = nullptr;
            PostQuitMessage(0);  // the one window is gone: the program ends
            return 0;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}
