#include "FlasherMain.h"

#include <commdlg.h>

#include <optional>

#include "ProgramFirmwareFile.h"
#include "application.h"
#include "message_box.h"
#include "resource.h"
#include "update_workflow.h"

namespace {

static_assert((OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES) == 2625540);

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
    int Show(const MessageBoxContents& box) override { return ShowMessageBox(owner_, box); }

private:
    HWND owner_;
};

// The window waits, disabled, while the library works: the thread is the
// library's until it returns, and it may pump messages itself. From the call
// until its outcome has been answered, Windows is asked not to shut down.
class LibraryFlasher : public FirmwareFlasher {
public:
    explicit LibraryFlasher(FormWindow& window) : window_(window) {}
    FlashResult ProgramFirmwareFile(const std::wstring& path) override {
        if (!shutdownBlock_) shutdownBlock_.emplace(window_, kShutdownBlockReason);
        // A fresh copy each attempt: the library may write into the one it gets.
        std::wstring copy = path;
        const FormWindow::Busy busy(window_);
        return Inicio::ProgramFirmwareFile(copy);
    }
    void OutcomeTold() noexcept override { shutdownBlock_.reset(); }

private:
    FormWindow& window_;
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
