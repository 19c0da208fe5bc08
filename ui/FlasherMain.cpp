#include "FlasherMain.h"

#include <commdlg.h>

#include <optional>

#include "application.h"
#include "message_box.h"
#include "resource.h"
#include "update_attempt.h"
#include "update_workflow.h"

namespace {

static_assert((OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES) == 2625540);
static_assert(kButtonsOk == MB_OK && kButtonsOkCancel == MB_OKCANCEL &&
              kButtonsRetryCancel == MB_RETRYCANCEL && kIconExclamation == MB_ICONEXCLAMATION);
static_assert(kAnswerOk == IDOK && kAnswerCancel == IDCANCEL && kAnswerRetry == IDRETRY);

constexpr int kFWUpdateId = 100;

constexpr FormDefinition kFlasherMain = {
    .className = L"KorvaniFlasherMain",
    .title = L"Korvani Update 1.1",
    .clientWidthTwips = 2670,
    .clientHeightTwips = 1155,
    .iconResourceId = IDI_APP,
    .buttonId = kFWUpdateId,
    .buttonCaption = L"Korvani update",
    .buttonRect = {.left = 360, .top = 240, .width = 1935, .height = 615},
};

class DialogFileChooser : public FileChooser {
public:
    DialogFileChooser(CommonDialog& dialog, HWND owner) : dialog_(dialog), owner_(owner) {}
    void ShowOpen() override { dialog_.ShowOpen(owner_); }
    std::wstring FileName() override { return dialog_.FileName(); }

private:
    CommonDialog& dialog_;
    HWND owner_;
};

class OwnedMessageBoxes : public MessageBoxes {
public:
    explicit OwnedMessageBoxes(HWND owner) : owner_(owner) {}
    int Show(const MessageBoxContents& box) override {
        const wchar_t* title = box.title ? box.title->c_str() : kApplicationTitle;
        return ShowMessageBox(owner_, box.text, title, static_cast<UINT>(box.style));
    }

private:
    HWND owner_;
};

// The library as the workflow sees it: one attempt per flashing step. The
// window waits, disabled, while the library has the thread, which it may use
// to pump messages itself, and while the attempt's end waits for its threads.
class LibraryFlasher : public FirmwareFlasher {
public:
    explicit LibraryFlasher(FormWindow& window) : window_(window) {}
    FlashAnswer ProgramFirmwareFile(const std::wstring& path) override {
        if (!attempt_) attempt_.emplace(window_);
        const FormWindow::Busy busy(window_);
        return attempt_->Flash(path);
    }
    void OutcomeTold() noexcept override {
        if (attempt_) attempt_->OutcomeTold();
    }
    void EndAttempt() noexcept override {
        std::optional<FormWindow::Busy> busy;
        if (attempt_ && attempt_->ThreadsRunOn()) busy.emplace(window_);
        attempt_.reset();
    }

private:
    FormWindow& window_;
    std::optional<UpdateAttempt> attempt_;
};

}  // namespace

FlasherMain::FlasherMain() : form_(kFlasherMain, [this] { FWUpdate_Click(); }) {}

void FlasherMain::Show() {
    form_.Create();
    Form_Load();
    form_.Show();
}

void FlasherMain::Form_Load() {
    dlgOpenFile.InitDir = AppPath();
    dlgOpenFile.Filter = L"Bin Files (*.bin)|*.bin|All Files (*.*)|*.*";
    dlgOpenFile.FilterIndex = 1;
    dlgOpenFile.DialogTitle = L"Select the new firmware file";
    dlgOpenFile.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES;
    dlgOpenFile.CancelError = true;
}

void FlasherMain::FWUpdate_Click() {
    DialogFileChooser dialog(dlgOpenFile, form_.Handle());
    OwnedMessageBoxes boxes(form_.Handle());
    LibraryFlasher flasher(form_);
    RunUpdateWorkflow(dialog, boxes, flasher);
}
