#include "update_watcher.h"

#include "application.h"
#include "library_fault_text.h"
#include "outside_watch.h"

namespace {

constexpr wchar_t kWatcherArgument[] = L"/watch-update";

const OutsideReport kCutShort = {kApplicationTitle, WriteUpdateCutShortText, WriteLibraryFaultText};

}  // namespace

bool IsUpdateWatcherRun(const wchar_t* commandLine) noexcept {
    return OutsideWatch::IsWatcherRun(commandLine, kWatcherArgument);
}

int RunUpdateWatcher(const wchar_t* commandLine) noexcept {
    return OutsideWatch::RunWatcher(commandLine, kWatcherArgument, kCutShort);
}

void WatchAttempt() noexcept {
    OutsideWatch::Start(kWatcherArgument);
    OutsideWatch::TaskStarted();
}

void AttemptTold() noexcept {
    OutsideWatch::TaskTold();
}
