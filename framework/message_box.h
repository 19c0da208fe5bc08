#pragma once

#include <windows.h>

#include "message_boxes.h"

// Shows the box modally over `owner` and returns the user's answer.
int ShowMessageBox(HWND owner, const MessageBoxContents& box);
