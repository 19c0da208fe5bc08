#include "FlasherMain.h"

#include <commdlg.h>

#include <optional>

#include "ProgramFirmwareFile.h"
#include "application.h"
#include "message_box.h"
#include "named_mutex.h"
#include "resource.h"
#include "update_watcher.h"
#include "update_workflow.h"

namespace {

static_assert((OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES) == 2625540);
static_assert(kButtonsOk == MB_OK && kButtonsOkCancel == MB_OKCANCEL &&
              kButtonsRetryCancel == MB_RETRYCANCEL && kIconExclamation == MB_ICONEXCLAMATION);
static_assert(kAnswerOk == IDOK && kAnswerCancel == IDCANCEL && kAnswerRetry == IDRETRY);

// What Windows shows while the program holds off a shutdown or log-off.
constexpr wchar_t kShutdownBlockReason[] =
    L"A firmware update is running. Do not turn off the computer or unplug the Korvani.";

// Held by whichever copy of the program on this PC, in any session, is writing
// a controller or waiting for the answer to the box that tells the outcome.
constexpr wchar_t kOneUpdateAtATime[] = L"Global\\KorvaniFWUpdater.Flashing";

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

// The window waits, disabled, while the library works: the thread is the
// library's until it returns, and it may pump messages itself. From the call
// until its outcome has been answered, Windows is asked not to shut down, and
// no other copy of the program calls the library: two writers would corrupt
// the controller.
class LibraryFlasher : public FirmwareFlasher {
public:
    explicit LibraryFlasher(FormWindow& window) : window_(window) {}
    FlashResult ProgramFirmwareFile(const std::wstring& path) override {
        if (!oneAtATime_) {
            oneAtATime_.emplace(kOneUpdateAtATime);
            if (!oneAtATime_->Held()) {
                oneAtATime_.reset();
                throw AppError{kErrPermissionDenied, L"Another copy of the program is updating a controller"};
            }
        }
        if (!shutdownBlock_) shutdownBlock_.emplace(window_, kShutdownBlockReason);
        // A fresh copy each attempt: the library may write into the one it gets.
        std::wstring copy = path;
        const FormWindow::Busy busy(window_);
        return Inicio::ProgramFirmwareFile(copy);
    }
    void OutcomeTold() noexcept override {
        AttemptTold();
        shutdownBlock_.reset();
        oneAtATime_.reset();
    }

private:
    FormWindow& window_;
    std::optional<NamedMutexLock> oneAtATime_;
    std::optional<FormWindow::ShutdownBlock> shutdownBlock_;
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
