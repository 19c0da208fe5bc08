#include "update_attempt.h"

#include <array>
#include <iterator>

#include "ProgramFirmwareFile.h"
#include "app_directory.h"
#include "application.h"
#include "current_directory.h"
#include "exit_status.h"
#include "fault_watch.h"
#include "floating_point_control.h"
#include "library_names.h"
#include "update_watcher.h"

namespace {

const FaultReports kFaults = {kApplicationTitle,
                              {WriteLibraryFaultText, kExitLibraryFault},
                              {WriteProgramFaultText, kExitUnhandledError},
                              {WriteProgramFaultDuringWriteText, kExitUnhandledError}};

// Held by whichever copy of the program on this PC, in any session, is in an attempt.
constexpr wchar_t kOneUpdateAtATime[] = L"Global\\KorvaniFWUpdater.Flashing";

// What Windows shows while the attempt holds off a shutdown or log-off: true
// at each stage, and never "do not unplug" while a box asks the user to.
constexpr wchar_t kWriting[] =
    L"A firmware update is running. Do not turn off the computer or unplug the Korvani.";
constexpr wchar_t kAwaitingAnswer[] = L"Korvani Update is waiting for an answer about a firmware update.";
constexpr wchar_t kFinishing[] = L"Korvani Update is finishing a firmware update.";

// How long after its last call the attempt waits for the threads its calls started.
constexpr ULONGLONG kThreadsPatienceMs = 5000;

std::array<HMODULE, 2> LibraryModules() {
    const std::wstring folder = AppPath();
    return {GetModuleHandleW(PathInDirectory(folder, kFlashingLibrary).c_str()),
            GetModuleHandleW(PathInDirectory(folder, kBootLoaderLibrary).c_str())};
}

}  // namespace

UpdateAttempt::~UpdateAttempt() {
    const ULONGLONG deadline = lastReturn_ + kThreadsPatienceMs;
    for (const ScopedHandle& thread : threads_) {
        DWORD wait;
        do {
            const ULONGLONG now = GetTickCount64();
            HANDLE handle = thread.get();
            wait = MsgWaitForMultipleObjects(
                1, &handle, FALSE, now < deadline ? static_cast<DWORD>(deadline - now) : 0, QS_SENDMESSAGE);
            // A thread that is finishing may be sending to the library's window on this one.
            MSG message;
            if (wait == WAIT_OBJECT_0 + 1)
                PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        } while (wait == WAIT_OBJECT_0 + 1);
        if (wait != WAIT_OBJECT_0) break;
    }
    if (previousExecutionState_)
        SetThreadExecutionState(*previousExecutionState_ != 0 ? *previousExecutionState_ : ES_CONTINUOUS);
    // The shutdown block, then the one-flash mutex, go with their members.
}

FlashAnswer UpdateAttempt::Flash(const std::wstring& path) {
    if (!oneAtATime_) {
        oneAtATime_.emplace(kOneUpdateAtATime);
        if (!oneAtATime_->Held()) {
            const bool nameTaken = oneAtATime_->NameTaken();
            oneAtATime_.reset();
            return nameTaken ? FlashRefusal::OneFlashNameTaken : FlashRefusal::AnotherCopyUpdating;
        }
    }
    // A fresh copy each call: the library may write into the one it gets.
    std::wstring copy = path;
    return Inicio::ProgramFirmwareFile(copy, *this);
}

std::int32_t UpdateAttempt::Call(Inicio::FlashProgramATFn entry, char* path) {
    FaultWatch::Start(kFaults, LibraryModules());
    const KeptCurrentDirectory currentDirectory;
    StartUpdateWatcher();
    if (!shutdownBlock_) shutdownBlock_.emplace(window_, kWriting);  // and at every later call
    // A laptop that suspends mid-write cuts the device off half-programmed.
    if (!previousExecutionState_)
        previousExecutionState_ = SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
    Enter(AttemptStage::Calling, 0, kWriting);
    // Shell extensions in the open-file dialog may have changed them too.
    FloatingPointControlForForeignCode();
    KeepCurrentDirectoryOutOfDllSearch();

    FaultWatch::CallStarting();
    const std::int32_t result = entry(path);
    // First: the write is over, even should what follows die on a heap the library broke.
    Enter(AttemptStage::Answered, result, kAwaitingAnswer);
    std::vector<ScopedHandle> started = FaultWatch::CallReturned();

    lastReturn_ = GetTickCount64();
    RestoreFloatingPointControl();
    currentDirectory.PutBack();
    try {
        threads_.insert(threads_.end(), std::make_move_iterator(started.begin()),
                        std::make_move_iterator(started.end()));
    } catch (const std::bad_alloc&) {
        // Out of memory: the end does not wait for them; the result stands.
    }
    return result;
}

void UpdateAttempt::OutcomeTold() noexcept {
    if (stage_ == AttemptStage::Answered) Enter(AttemptStage::Told, 0, kFinishing);
}

bool UpdateAttempt::ThreadsRunOn() const noexcept {
    if (GetTickCount64() >= lastReturn_ + kThreadsPatienceMs) return false;  // waited for long enough
    for (const ScopedHandle& thread : threads_)
        if (WaitForSingleObject(thread.get(), 0) == WAIT_TIMEOUT) return true;
    return false;
}

// The watcher learns the stage before anything else is done.
void UpdateAttempt::Enter(AttemptStage stage, std::int32_t result, const wchar_t* shutdownReason) noexcept {
    MarkAttemptStage(stage, result);
    stage_ = stage;
    shutdownBlock_->SetReason(shutdownReason);
}
