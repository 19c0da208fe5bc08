#include "FlasherMain.h"

#include <commdlg.h>

#include "ProgramFirmwareFile.h"
#include "application.h"
#include "message_box.h"
#include "resource.h"
#include "update_workflow.h"

namespace {

static_assert((OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES) == 2625540);

constexpr int kFWUpdateId = 100;

constexpr FormDefinition kFlasherMain = {
    L"KorvaniFlasherMain",
    L"Korvani Update 1.1",
    2670,
    1155,  // client area, twips
    IDI_APP,
    kFWUpdateId,
    L"Korvani update",
    {360, 240, 1935, 615},
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
    int Show(const MessageBoxSpec& box) override { return ShowMessageBox(owner_, box); }

private:
    HWND owner_;
};

class LibraryFlasher : public FirmwareFlasher {
public:
    FlashResult ProgramFirmwareFile(std::wstring& path) override { return Inicio::ProgramFirmwareFile(path); }
};

}  // namespace

FlasherMain::FlasherMain() : form_(kFlasherMain, [this] { FWUpdate_Click(); }) {}

void FlasherMain::Show() {
    if (!loaded_) {
        form_.Create();
        Form_Load();
        loaded_ = true;
    }
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
    LibraryFlasher flasher;
    RunUpdateWorkflow(dialog, boxes, flasher);
}
