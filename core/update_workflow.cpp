#include "update_workflow.h"

namespace {

enum class Step { ChooseFile, Confirm, Flash, End };

struct Steps {
    FileChooser& dialog;
    MessageBoxes& boxes;
    FirmwareFlasher& flasher;

    // A box that fails to show leads to `onError`, as the step after it would.
    Step Ask(const MessageBoxSpec& box, Step onRetry, Step onOther, Step onError) {
        try {
            return boxes.Show(box) == kAnswerRetry ? onRetry : onOther;
        } catch (const AppError&) {
            return onError;
        }
    }

    void Tell(const MessageBoxSpec& box) {
        try {
            boxes.Show(box);
        } catch (const AppError&) {
            // The click ends either way.
        }
    }

    Step ChooseFile() {
        try {
            dialog.ShowOpen();
        } catch (const AppError& error) {
            if (error.number != kErrCancel) Tell(SelectionErrorBox(error));
            return Step::End;
        }
        return Step::Confirm;
    }

    // Anything but an explicit OK, a failure included, offers the dialog again.
    Step Confirm() {
        try {
            return boxes.Show(ConfirmationBox(dialog.FileName())) == kAnswerOk ? Step::Flash
                                                                               : Step::ChooseFile;
        } catch (const AppError&) {
            return Step::ChooseFile;
        }
    }

    Step Flash() {
        FlashResult result;
        try {
            // A fresh copy each attempt: the library may write into the one it gets.
            std::wstring path = dialog.FileName();
            result = flasher.ProgramFirmwareFile(path);
        } catch (const AppError&) {
            // No result came back, so nothing was confirmed as flashed.
            return Ask(UnexpectedResultBox(), Step::ChooseFile, Step::End, Step::ChooseFile);
        }
        switch (ClassifyFlashResult(result)) {
            case FlashOutcome::Success: Tell(SuccessBox()); return Step::End;
            case FlashOutcome::NotFirmware:
                return Ask(WrongFileBox(), Step::ChooseFile, Step::End, Step::ChooseFile);
            case FlashOutcome::ErasedNotRecognised:
                // Never flash again without the user's answer.
                return Ask(DeviceNotFoundBox(), Step::Flash, Step::End, Step::End);
            case FlashOutcome::Unexpected: break;
        }
        return Ask(UnexpectedResultBox(), Step::ChooseFile, Step::End, Step::ChooseFile);
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
