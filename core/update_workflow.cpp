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

    // One attempt: the chosen file, flashed again at once for as long as the
    // user answers an erased device's box with Retry.
    Step Flash() {
        struct EndAttempt {
            FirmwareFlasher& flasher;
            ~EndAttempt() { flasher.EndAttempt(); }
        } end{flasher};
        Step next;
        while ((next = FlashOnce()) == Step::Flash) {
        }
        return next;
    }

    Step FlashOnce() {
        std::wstring path;
        try {
            path = dialog.FileName();
        } catch (...) {
            return AskRetry(UnexpectedResultBox, Step::ChooseFile);
        }
        FlashAnswer answer;
        try {
            answer = flasher.ProgramFirmwareFile(path);
        } catch (...) {
            // No result came back, so nothing was confirmed as flashed.
            return Told(AskRetry(UnexpectedResultBox, Step::ChooseFile));
        }
        if (const FlashRefusal* refusal = std::get_if<FlashRefusal>(&answer)) {
            Tell([&] { return RefusalBox(*refusal, path); });
            // A refused path would be refused again: the user needs another. Two
            // writers would corrupt the controller: the other one finishes first.
            const bool pathRefused =
                *refusal == FlashRefusal::PathTooLong || *refusal == FlashRefusal::PathNotInCodePage;
            return Told(pathRefused ? Step::ChooseFile : Step::End);
        }
        switch (ClassifyFlashResult(std::get<FlashResult>(answer))) {
            case FlashOutcome::Success: Tell(SuccessBox); return Told(Step::End);
            case FlashOutcome::NotFirmware: return Told(AskRetry(WrongFileBox, Step::ChooseFile));
            case FlashOutcome::ErasedNotRecognised: return Told(AskRetry(DeviceNotFoundBox, Step::Flash));
            case FlashOutcome::Unexpected: break;
        }
        return Told(AskRetry(UnexpectedResultBox, Step::ChooseFile));
    }

    Step Told(Step next) {
        flasher.OutcomeTold();
        return next;
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
