#include "file_filter.h"

std::wstring FilterForOpenFileDialog(const std::wstring& filter) {
    std::wstring list = filter;
    for (wchar_t& c : list) {
        if (c == L'|') c = L'\0';
    }
    // Terminates the last pattern and the list; an empty filter stays an empty list.
    if (!list.empty()) list.push_back(L'\0');
    list.push_back(L'\0');
    return list;
}
