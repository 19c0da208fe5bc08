#pragma once

#include <string>

#include "app_error.h"

// What the run-time says when an error reaches it unhandled.
std::wstring UnhandledErrorText(const AppError& error);
