#pragma once

#include "app_error.h"
#include "message_box_contents.h"

// What the run-time says when an error reaches it unhandled: under the
// application title, with an error icon, and task-modal.
MessageBoxContents UnhandledErrorBox(const AppError& error);
