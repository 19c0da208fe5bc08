#include "update_watcher.h"

#include "application.h"
#include "outside_watch.h"

namespace {

constexpr wchar_t kWatcherArgument[] = L"/watch-update";

bool WriteEnded(std::span<wchar_t> text, std::uint32_t stage, std::int32_t result, std::uint32_t exitStatus) {
    return WriteUpdateEndedText(text, static_cast<AttemptStage>(stage), result, exitStatus);
}

const OutsideReport kUntold = {kApplicationTitle, WriteEnded, WriteLibraryFaultText, WriteProgramFaultText,
                               WriteProgramFaultDuringWriteText};

}  // namespace

bool IsUpdateWatcherRun(const wchar_t* commandLine) noexcept {
    return OutsideWatch::IsWatcherRun(commandLine, kWatcherArgument);
}

int RunUpdateWatcher(const wchar_t* commandLine) noexcept {
    return OutsideWatch::RunWatcher(commandLine, kWatcherArgument, kUntold);
}

void StartUpdateWatcher() noexcept {
    OutsideWatch::Start(kWatcherArgument);
}

void MarkAttemptStage(AttemptStage stage, std::int32_t result) noexcept {
    OutsideWatch::Mark(static_cast<std::uint32_t>(stage), result);
}
