// The program's one window: a button that runs the update dialogue.
#pragma once

#include "common_dialog.h"
#include "form_window.h"

class FlasherMain {
public:
    FlasherMain();

    // Loads the window (running Form_Load), then shows it. Called once.
    void Show();

private:
    void Form_Load();
    void FWUpdate_Click();

    FormWindow form_;
    CommonDialog dlgOpenFile;
};
