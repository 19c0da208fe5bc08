// Start-up: the library check decides, silently, whether the window opens.
#include <gtest/gtest.h>

#include "app_folder.h"
#include "program.h"

namespace {

struct Started {
    std::optional<DWORD> exitStatus;
    std::string log;  // what the stand-in libraries recorded
    bool showedAnything;
};

// Runs the program in `folder` until it ends by itself or opens its window.
Started Start(const AppFolder& folder, LaunchOptions options = {}) {
    const std::wstring log = AppFolder::WorkFile(L"startup.log");
    DeleteFileW(log.c_str());
    options.environment.push_back({L"KORVANI_SIM_LOG", log});
    Program program(folder, options);
    bool showed = false;
    std::optional<DWORD> status;
    WaitUntil([&] {
        showed = showed || !program.Windows().empty();
        status = program.WaitForExit(0);
        return status.has_value() || showed;
    });
    if (showed) {
        Close(program.WaitForMainWindow());
        status = program.WaitForExit();
    }
    return {status, ReadWholeFile(log), showed};
}

TEST(Startup, BothLibrariesPresentOpensTheWindowAndClosingItEndsWithZero) {
    const Started started = Start(AppFolder(L"both").WithStandardLibraries());
    EXPECT_TRUE(started.showedAnything);
    EXPECT_EQ(started.exitStatus, DWORD{golden::kExitWindowClosed});
    EXPECT_EQ(started.log, "loaded OSCdll.DLL\nloaded AT91Boot_DLL.dll\n");
}

TEST(Startup, AMissingLibraryEndsSilentlyAndTheBootLibraryIsTriedOnlyAfterTheFlashingOne) {
    const struct {
        const wchar_t* present;  // the one library beside the program
        unsigned long status;
        std::string log;
    } missing[] = {
        {L"AT91Boot_DLL.dll", golden::kExitFlashingLibraryMissing, ""},
        {L"OSCdll.DLL", golden::kExitBootLibraryMissing, "loaded OSCdll.DLL\n"},
    };
    for (const auto& [present, status, log] : missing) {
        AppFolder folder(std::wstring(L"only-") + present);
        folder.Copy(std::wstring(L"bin\\") + present, present);
        const Started started = Start(folder);
        EXPECT_FALSE(started.showedAnything) << present;
        EXPECT_EQ(started.exitStatus, DWORD{status}) << present;
        EXPECT_EQ(started.log, log) << present;
    }
}

TEST(Startup, FlashingLibraryThatIsNoLibraryEndsSilently) {
    AppFolder folder(L"oscdll-not-a-library");
    folder.Copy(L"sim-variants\\not-a-library\\OSCdll.DLL", L"OSCdll.DLL")
        .Copy(L"bin\\AT91Boot_DLL.dll", L"AT91Boot_DLL.dll");
    const Started started = Start(folder);
    EXPECT_FALSE(started.showedAnything);
    EXPECT_EQ(started.exitStatus, DWORD{golden::kExitFlashingLibraryMissing});
}

TEST(Startup, LibrariesElsewhereDoNotCount) {
    // Both in the current directory and on PATH, but not beside the program.
    AppFolder elsewhere(L"libraries-elsewhere");
    elsewhere.WithStandardLibraries();
    AppFolder folder(L"program-alone");
    LaunchOptions options;
    options.currentDirectory = elsewhere.Path();
    options.environment.push_back({L"PATH", elsewhere.Path() + L";C:\\windows\\system32;C:\\windows"});
    const Started started = Start(folder, options);
    EXPECT_FALSE(started.showedAnything);
    EXPECT_EQ(started.exitStatus, DWORD{golden::kExitFlashingLibraryMissing});
}

TEST(Startup, LibraryNamesDifferingOnlyInCaseAreFound) {
    AppFolder folder(L"lower-case-names");
    folder.Copy(L"bin\\OSCdll.DLL", L"oscdll.dll").Copy(L"bin\\AT91Boot_DLL.dll", L"at91boot_dll.DLL");
    const Started started = Start(folder);
    EXPECT_TRUE(started.showedAnything);
    EXPECT_EQ(started.exitStatus, DWORD{golden::kExitWindowClosed});
}

TEST(Startup, FlashingLibraryWithoutTheEntryPointStillStarts) {
    AppFolder folder(L"no-export");
    folder.Copy(L"sim-variants\\no-export\\OSCdll.DLL", L"OSCdll.DLL")
        .Copy(L"bin\\AT91Boot_DLL.dll", L"AT91Boot_DLL.dll");
    EXPECT_TRUE(Start(folder).showedAnything);
}

TEST(Startup, FolderNamedOutsideTheAnsiCodePageStarts) {
    // Cyrillic is not in code page 1252; the program must still find its libraries.
    const Started started =
        Start(AppFolder(L"\u041f\u0440\u043e\u0448\u0438\u0432\u043a\u0430").WithStandardLibraries());
    EXPECT_TRUE(started.showedAnything);
    EXPECT_EQ(started.exitStatus, DWORD{golden::kExitWindowClosed});
}

TEST(Startup, WatcherStartedByHandEndsAtOnceShowingNothing) {
    AppFolder folder(L"watcher-by-hand");
    folder.WithStandardLibraries();
    for (const wchar_t* handles : {L"", L" 4 8", L" 0 0", L" 1 2 3", L" x y"}) {
        LaunchOptions options;
        options.arguments = golden::kWatcherArgument + std::wstring(handles);
        const Started started = Start(folder, options);
        EXPECT_FALSE(started.showedAnything) << handles;
        EXPECT_EQ(started.exitStatus, DWORD{0}) << handles;
        EXPECT_EQ(started.log, "") << "a watcher loads no library";
    }
}

}  // namespace
