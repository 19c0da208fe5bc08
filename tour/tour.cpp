// make tour: one scripted session through the end-to-end driver, and a
// screenshot of every screen the user meets.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "driver.h"

namespace {

// The window as it is on screen, as a 24-bit BMP.
void Screenshot(HWND window, const char* name) {
    const char* folder = std::getenv("KORVANI_TOUR_DIR");
    ASSERT_NE(folder, nullptr) << "KORVANI_TOUR_DIR names where the pictures go";
    Sleep(400);  // let it finish painting
    RECT rect;
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFOHEADER header = {sizeof header, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap =
        CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file = {0x4D42, 0, 0, 0, sizeof(BITMAPFILEHEADER) + sizeof header};
    file.bfSize = file.bfOffBits + imageSize;
    std::ofstream out(std::string(folder) + "\\" + name + ".bmp", std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(static_cast<const char*>(bits), imageSize);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

TEST(Tour, EveryScreen) {
    Program s(L"Firmware");
    s.WithLibraries()
        .Copy(L"bin\\KorvaniDemoFirmware.bin", L"KorvaniDemoFirmware.bin")
        .Copy(L"bin\\NotFirmware.bin", L"NotFirmware.bin")
        .Open("0,-3,-2,-1");
    Screenshot(s.window, "01-main-window");

    s.ClickUpdate();
    Screenshot(s.Front(), "02-open-file-dialog");
    s.Pick(L"KorvaniDemoFirmware.bin");
    Screenshot(s.Front(), "03-confirmation");
    s.Answer(IDOK);
    Screenshot(s.Front(), "04-updated");
    s.Answer(IDOK);

    for (const char* picture :
         {"05-not-a-firmware-binary", "06-device-not-recognized", "07-unexpected-error"}) {
        s.ExpectIdle();
        s.ClickUpdate();
        s.Pick(L"KorvaniDemoFirmware.bin");
        s.Answer(IDOK);
        Screenshot(s.Front(), picture);
        s.Answer(IDCANCEL);
    }

    Program box(L"tour-selection-error", L"e2e\\selection_error_box.exe");
    box.Start();
    HWND shown = box.WaitForWindow();
    ASSERT_NE(shown, nullptr);
    Screenshot(shown, "08-selection-error");
    Press(shown, IDOK);

    // While the library writes: the window as the guide describes it.
    Program writing(L"Writing");
    writing.WithLibraries().Open("0", {.environment = {{L"KORVANI_SIM_DELAY_MS", L"5000"}}});
    writing.Flash();
    ASSERT_TRUE(WaitUntil([&] { return writing.Calls().size() == 1; }));
    Screenshot(writing.window, "09-while-writing");
    writing.Answer(IDOK);

    // A second copy while the first waits for an answer about its update.
    s.Flash(L"KorvaniDemoFirmware.bin");
    Program other(L"Second copy");
    other.WithLibraries().Open("0");
    other.Flash();
    Screenshot(other.Front(), "10-another-copy");
    other.Answer(IDOK);
    s.Answer(IDCANCEL);

    // A path longer than the library can open: Wine's file dialog returns none, so the preview shows it.
    box.Start("0", {.arguments = L"/path-too-long"});
    shown = box.WaitForWindow();
    ASSERT_NE(shown, nullptr);
    Screenshot(shown, "11-path-too-long");
    Press(shown, IDOK);

    // The library crashes: the program's own report...
    Program crash(L"Crash");
    crash.WithLibraries().Open("0", {.environment = {{L"KORVANI_SIM_FAULT", L"av"}}});
    crash.Flash();
    Screenshot(crash.Front(), "12-library-crashed");
    crash.Answer(IDOK);

    // ...and the watcher's, when the library ends the program in the middle of a write.
    Program ended(L"Ended");
    ended.WithLibraries().Open("0", {.environment = {{L"KORVANI_SIM_FAULT", L"exit"}}});
    ended.Flash();
    const std::unique_ptr<Program> watcher = ended.WaitForWatcher();
    ASSERT_NE(watcher, nullptr);
    HWND told = watcher->WaitForWindow(nullptr, 60000);
    ASSERT_NE(told, nullptr);
    Screenshot(told, "13-ended-while-writing");
    Press(told, IDOK);
}

}  // namespace
