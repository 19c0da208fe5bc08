#pragma once

// Shown as the title of any message box that has none of its own.
inline constexpr const wchar_t* kAppTitle = L"Korvani Update";
