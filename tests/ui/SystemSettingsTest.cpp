#include "ui/SystemSettings.h"

#include <windows.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include "ui/Wide.h"

namespace {
bool IsDirectory(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
} // namespace

TEST(SpecialFolderPath, GivesTheUsersFoldersWithATrailingBackslash) {
    std::wstring documents = SpecialFolderPath(CSIDL_PERSONAL);
    std::wstring appData = SpecialFolderPath(CSIDL_APPDATA);
    ASSERT_FALSE(documents.empty());
    ASSERT_FALSE(appData.empty());
    EXPECT_EQ(documents.back(), L'\\');
    EXPECT_EQ(appData.back(), L'\\');
    EXPECT_TRUE(IsDirectory(documents)) << Narrow(documents);
    EXPECT_TRUE(IsDirectory(appData)) << Narrow(appData);
    EXPECT_NE(documents, appData);
}

TEST(SpecialFolderPath, IsEmptyForAFolderTheShellDoesNotKnow) {
    EXPECT_EQ(SpecialFolderPath(0x7F), L"");
}
