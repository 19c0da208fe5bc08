#include "library_call.h"

#include <optional>

#include "application.h"
#include "exit_status.h"
#include "library_fault_text.h"
#include "process_state.h"

namespace {

const FaultReport kLibraryFault = {kApplicationTitle, WriteLibraryFaultText, kExitLibraryFault};

std::optional<FloatingPointControl> beforeLibraries;

}  // namespace

void SaveProcessStateBeforeLibraries() noexcept {
    beforeLibraries = CurrentFloatingPointControl();
}

void RestoreProcessStateBeforeLibraries() noexcept {
    // A library may leave floating-point exceptions unmasked; the next message
    // box's arithmetic would then fault in our code.
    if (beforeLibraries) SetFloatingPointControl(*beforeLibraries);
    SetDllDirectoryW(L"");  // as start-up set it: never the current directory
}

LibraryCall::LibraryCall() : faultWatch_(kLibraryFault), currentDirectory_(CurrentDirectory()) {
    // A laptop that suspends mid-write cuts the device off half-programmed.
    previousExecutionState_ = SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
    faultWatch_.Arm();
}

LibraryCall::~LibraryCall() {
    faultWatch_.Disarm();  // first: nothing of ours runs under the watch
    RestoreProcessStateBeforeLibraries();
    if (!currentDirectory_.empty()) SetCurrentDirectoryW(currentDirectory_.c_str());
    SetThreadExecutionState(previousExecutionState_ != 0 ? previousExecutionState_ : ES_CONTINUOUS);
}
