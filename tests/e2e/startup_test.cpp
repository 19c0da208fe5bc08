// Start-up: the library check decides, silently, whether the window opens.
#include "driver.h"
#include "outside_watch_block.h"
#include "scoped_handle.h"

namespace {

struct Started {
    std::optional<DWORD> exitStatus;
    std::string log;  // what the stand-in libraries recorded
    bool showedAnything;
};

// Runs the program until it ends by itself or opens its window.
Started Start(Program& program, const LaunchOptions& options = {}) {
    program.Start("0", options);
    bool showed = false;
    std::optional<DWORD> status;
    WaitUntil([&] {
        showed = showed || !program.Windows().empty();
        status = program.WaitForExit(0);
        return status.has_value() || showed;
    });
    if (showed) {
        Close(program.WaitForWindow(nullptr, kPatience, golden::kMainWindowClass));
        status = program.WaitForExit();
    }
    return {status, program.Log(), showed};
}

using File = std::pair<std::wstring, std::wstring>;  // a file of the build, its name beside the program
const File kFlashing = {L"bin\\OSCdll.DLL", L"OSCdll.DLL"},
           kBoot = {L"bin\\AT91Boot_DLL.dll", L"AT91Boot_DLL.dll"};
const File kNotALibrary = {L"sim-variants\\not-a-library\\OSCdll.DLL", L"OSCdll.DLL"};
const File kNoEntryPoint = {L"sim-variants\\no-export\\OSCdll.DLL", L"OSCdll.DLL"};
const File kFlashingLowerCase = {kFlashing.first, L"oscdll.dll"},
           kBootLowerCase = {kBoot.first, L"at91boot_dll.DLL"};
const std::vector<File> kBoth = {kFlashing, kBoot};
const std::string kFlashingLoaded = "loaded OSCdll.DLL\n", kBootLoaded = "loaded AT91Boot_DLL.dll\n";
const std::string kBothLoaded = kFlashingLoaded + kBootLoaded;

TEST(Startup, TheLibrariesBesideTheProgramDecideSilentlyWhetherTheWindowOpens) {
    using namespace golden;
    const struct {
        std::wstring folder;
        std::vector<File> files;
        bool opens;
        DWORD status;
        std::string log;                  // the boot library is tried only after the flashing one
        bool librariesElsewhere = false;  // in the current directory and on PATH, not beside it
    } layouts[] = {
        {L"both", kBoth, true, kExitWindowClosed, kBothLoaded},
        {L"only-boot", {kBoot}, false, kExitFlashingLibraryMissing, ""},
        {L"only-flashing", {kFlashing}, false, kExitBootLibraryMissing, kFlashingLoaded},
        {L"not-a-library", {kNotALibrary, kBoot}, false, kExitFlashingLibraryMissing, ""},
        {L"lower-case", {kFlashingLowerCase, kBootLowerCase}, true, kExitWindowClosed, kBothLoaded},
        // Told only when the user flashes.
        {L"no-entry-point", {kNoEntryPoint, kBoot}, true, kExitWindowClosed, kBootLoaded},
        // Cyrillic is not in code page 1252.
        {L"\u041f\u0440\u043e\u0448\u0438\u0432\u043a\u0430", kBoth, true, kExitWindowClosed, kBothLoaded},
        {L"program-alone", {}, false, kExitFlashingLibraryMissing, "", true},
    };
    Program elsewhere(L"libraries-elsewhere");
    elsewhere.WithLibraries();
    const LaunchOptions fromElsewhere = {
        .environment = {{L"PATH", elsewhere.Folder() + L";C:\\windows\\system32;C:\\windows"}},
        .currentDirectory = elsewhere.Folder()};
    for (const auto& layout : layouts) {
        SCOPED_TRACE(std::string(layout.folder.begin(), layout.folder.end()));
        Program program(layout.folder);
        for (const auto& [built, here] : layout.files) program.Copy(built, here);
        const Started started = Start(program, layout.librariesElsewhere ? fromElsewhere : LaunchOptions{});
        EXPECT_EQ(started.showedAnything, layout.opens);
        EXPECT_EQ(started.exitStatus, layout.status);
        EXPECT_EQ(started.log, layout.log);
    }
}

TEST(Startup, WatcherStartedByHandEndsAtOnceShowingNothing) {
    Program program(L"watcher-by-hand");
    program.WithLibraries();
    for (const wchar_t* handles : {L"", L" 4 8", L" 0 0", L" 1 2 3", L" x y"}) {
        const Started started =
            Start(program, {.arguments = golden::kWatcherArgument + std::wstring(handles)});
        EXPECT_FALSE(started.showedAnything) << handles;
        EXPECT_EQ(started.exitStatus, DWORD{0}) << handles;
        EXPECT_EQ(started.log, "") << "a watcher loads no library";
    }
    // A well-formed block, token and all, that another program wrote: only a
    // copy of this program is watched.
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    const ScopedHandle section(CreateFileMappingW(INVALID_HANDLE_VALUE, &inheritable, PAGE_READWRITE, 0,
                                                  sizeof(OutsideWatchBlock), nullptr));
    auto* block = static_cast<OutsideWatchBlock*>(MapViewOfFile(section.get(), FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_NE(block, nullptr);
    *block = {kOutsideWatchMagic, sizeof *block, GetCurrentProcessId(), 0x5EED, 1, 0, 0, 0, 0, 0, {}};
    HANDLE self = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                                SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0));
    const ScopedHandle selfForTheWatcher(self);
    wchar_t arguments[64];
    swprintf(arguments, 64, L" %llX %llX 5EED", reinterpret_cast<unsigned long long>(section.get()),
             reinterpret_cast<unsigned long long>(self));
    const Started foreign = Start(program, {.arguments = golden::kWatcherArgument + std::wstring(arguments),
                                            .inherited = {section.get(), self}});
    EXPECT_FALSE(foreign.showedAnything);
    EXPECT_EQ(foreign.exitStatus, DWORD{0}) << "it watches the driver";
    UnmapViewOfFile(block);
}

}  // namespace
