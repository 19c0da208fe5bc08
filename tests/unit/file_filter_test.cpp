#include "file_filter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FileFilter, PairsBecomeNulSeparatedList) {
    using namespace std::string_literals;
    EXPECT_EQ(FilterForOpenFileDialog(L"Bin Files (*.bin)|*.bin|All Files (*.*)|*.*"),
              L"Bin Files (*.bin)\0*.bin\0All Files (*.*)\0*.*\0\0"s);
    EXPECT_EQ(FilterForOpenFileDialog(L""), L"\0"s);
}

}  // namespace
