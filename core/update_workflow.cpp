#include "update_workflow.h"

namespace {

enum class Step { ChooseFile, Confirm, Flash, End };

struct Steps {
    FileChooser& dialog;
    MessageBoxes& boxes;
    FirmwareFlasher& flasher;

    // Each box is built inside its own error handling: out of memory while
    // building it is that box's failure, like one that cannot be shown.
    // Retry leads to `retry`, any other answer ends. A box that cannot be shown
    // counts as a Retry, except where that would flash again without the user.
    template <class Build>
    Step AskRetry(Build&& build, Step retry) {
        try {
            return boxes.Show(build()) == kAnswerRetry ? retry : Step::End;
        } catch (...) {
            return retry == Step::Flash ? Step::End : retry;
        }
    }

    template <class Build>
    void Tell(Build&& build) {
        try {
            boxes.Show(build());
        } catch (...) {
            // The click ends either way.
        }
    }

    // Every failure of a step, not only our own run-time errors, is that
    // step's failure: out of memory in the dialog is still a selection error.
    Step ChooseFile() {
        std::exception_ptr failure;
        try {
            dialog.ShowOpen();
            return Step::Confirm;
        } catch (...) {
            failure = std::current_exception();
        }
        if (ErrorNumber(failure) != kErrCancel) Tell([&] { return SelectionErrorBox(ToAppError(failure)); });
        return Step::End;
    }

    // Anything but an explicit OK, a failure included, offers the dialog again.
    Step Confirm() {
        try {
            return boxes.Show(ConfirmationBox(dialog.FileName())) == kAnswerOk ? Step::Flash
                                                                               : Step::ChooseFile;
        } catch (...) {
            return Step::ChooseFile;
        }
    }

    // The attempt lasts until its outcome has been answered, whichever way this ends.
    Step Flash() {
        std::wstring path;
        try {
            path = dialog.FileName();
        } catch (...) {
            return AskRetry(UnexpectedResultBox, Step::ChooseFile);
        }
        struct OutcomeTold {
            FirmwareFlasher& flasher;
            ~OutcomeTold() { flasher.OutcomeTold(); }
        } told{flasher};
        FlashResult result;
        try {
            result = flasher.ProgramFirmwareFile(path);
        } catch (...) {
            switch (ErrorNumber(std::current_exception())) {
                // Two writers would corrupt the controller: the other one finishes first.
                case kErrPermissionDenied: Tell(AnotherUpdateRunningBox); return Step::End;
                case kErrDeviceUnavailable: Tell(LibraryBusyBox); return Step::End;
                // A Retry would only be refused again: the user needs another path.
                case kErrBadFileName: Tell([&] { return PathRefusedBox(path); }); return Step::ChooseFile;
                default: break;
            }
            // No result came back, so nothing was confirmed as flashed.
            return AskRetry(UnexpectedResultBox, Step::ChooseFile);
        }
        switch (ClassifyFlashResult(result)) {
            case FlashOutcome::Success: Tell(SuccessBox); return Step::End;
            case FlashOutcome::NotFirmware: return AskRetry(WrongFileBox, Step::ChooseFile);
            case FlashOutcome::ErasedNotRecognised: return AskRetry(DeviceNotFoundBox, Step::Flash);
            case FlashOutcome::Unexpected: break;
        }
        return AskRetry(UnexpectedResultBox, Step::ChooseFile);
    }
};

}  // namespace

void RunUpdateWorkflow(FileChooser& dialog, MessageBoxes& boxes, FirmwareFlasher& flasher) {
    Steps steps{dialog, boxes, flasher};
    Step step = Step::ChooseFile;
    while (step != Step::End) {
        switch (step) {
            case Step::ChooseFile: step = steps.ChooseFile(); break;
            case Step::Confirm: step = steps.Confirm(); break;
            case Step::Flash: step = steps.Flash(); break;
            case Step::End: break;
        }
    }
}
