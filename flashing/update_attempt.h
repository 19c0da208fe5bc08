// One update attempt: from its first call into the maker's library until the
// workflow moves on from flashing the chosen file, an erased device's retries
// included. While it lasts no other copy of the program on the PC calls the
// library (two writers would corrupt the controller), Windows is asked not to
// log off or shut down, and does not put the PC to sleep for being idle. The
// watcher outside the process knows each stage, and every fault of the
// library's, during the attempt or at any time after, ends the program with
// its report.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FlashProgramAT.h"
#include "form_window.h"
#include "library_fault_text.h"
#include "named_mutex.h"
#include "scoped_handle.h"
#include "update_workflow.h"

class UpdateAttempt {
public:
    explicit UpdateAttempt(FormWindow& window) : window_(window) {}
    // Ends it once the threads its calls started have ended, or a few seconds
    // after its last call returned: a library may keep a thread for good.
    ~UpdateAttempt();
    UpdateAttempt(const UpdateAttempt&) = delete;
    UpdateAttempt& operator=(const UpdateAttempt&) = delete;

    // Refused, without calling the library, while another copy is in an update,
    // or while another program holds the name that keeps copies apart.
    FlashAnswer Flash(const std::wstring& path);
    void OutcomeTold() noexcept;
    // Whether the end would wait for threads of the library's.
    bool ThreadsRunOn() const noexcept;

    // The call itself, for ProgramFirmwareFile, which refuses a path the
    // library cannot open. Throws AppError, and calls nothing, when a crash of
    // the library could not be reported.
    std::int32_t Call(Inicio::FlashProgramATFn entry, char* path);

private:
    void Enter(AttemptStage stage, std::int32_t result, const wchar_t* shutdownReason) noexcept;

    FormWindow& window_;
    std::optional<NamedMutexLock> oneAtATime_;
    std::optional<FormWindow::ShutdownBlock> shutdownBlock_;
    AttemptStage stage_ = AttemptStage::None;
    std::optional<EXECUTION_STATE> previousExecutionState_;
    std::vector<ScopedHandle> threads_;  // that its calls started
    ULONGLONG lastReturn_ = 0;
};
