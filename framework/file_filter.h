#pragma once

#include <string>

// "Bin Files (*.bin)|*.bin|All Files (*.*)|*.*" becomes the NUL-separated,
// double-NUL-terminated list that the open-file dialog takes.
std::wstring FilterForOpenFileDialog(const std::wstring& filter);
