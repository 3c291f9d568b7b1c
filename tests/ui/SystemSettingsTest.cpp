#include "ui/SystemSettings.h"

#include <windows.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include "ui/Wide.h"

namespace {
bool IsDirectory(const std::string& path) {
    DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
} // namespace

TEST(SpecialFolderPath, GivesTheUsersFoldersWithATrailingBackslash) {
    std::string documents = SpecialFolderPath(CSIDL_PERSONAL);
    std::string appData = SpecialFolderPath(CSIDL_APPDATA);
    ASSERT_FALSE(documents.empty());
    ASSERT_FALSE(appData.empty());
    EXPECT_EQ(documents.back(), '\\');
    EXPECT_EQ(appData.back(), '\\');
    EXPECT_TRUE(IsDirectory(documents)) << documents;
    EXPECT_TRUE(IsDirectory(appData)) << appData;
    EXPECT_NE(documents, appData);
}

TEST(SpecialFolderPath, IsEmptyForAFolderTheShellDoesNotKnow) {
    EXPECT_EQ(SpecialFolderPath(0x7F), "");
}
