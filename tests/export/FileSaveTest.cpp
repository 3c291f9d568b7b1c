// Saving under Wine's real file system: what reaches the disk, and what a failure leaves.
#include "export/FileSave.h"

#include <windows.h>
#include <fstream>
#include <gtest/gtest.h>

#include "common/Text1252.h"
#include "ui/Wide.h"

namespace {

class FileSave : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = Narrow(temp) + "vexor-save-" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryW(Wide(folder_).c_str(), nullptr);
    }
    void TearDown() override {
        for (const auto& name : Files()) {
            SetFileAttributesW(Wide(folder_ + name).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(Wide(folder_ + name).c_str());
        }
        RemoveDirectoryW(Wide(folder_).c_str());
    }

    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(Wide(folder_ + "*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            std::string name = Narrow(found.cFileName);
            if (name != "." && name != "..") names.push_back(name);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return names;
    }

    std::string Read(const std::string& path) const {
        std::ifstream in(Wide(path).c_str(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string folder_;
};

} // namespace

TEST_F(FileSave, WritesTheBytesAndReplacesAnEarlierFile) {
    std::string path = folder_ + "mesure.cv3";
    WriteFileAtomically(Wide(path), "first\r\n");
    EXPECT_EQ(Read(path), "first\r\n");
    std::string bytes = Cp1252("£3 NOM VAR\r\nµ\r\n");
    WriteFileAtomically(Wide(path), bytes);
    EXPECT_EQ(Read(path), bytes);
    EXPECT_EQ(Files(), std::vector<std::string>{"mesure.cv3"}); // no temporary file left
}

TEST_F(FileSave, AMissingFolderIsReportedAndNothingIsWritten) {
    try {
        WriteFileAtomically(Wide(folder_ + "absent\\mesure.cv3"), "x");
        FAIL() << "no error";
    } catch (const ESaveError& e) {
        EXPECT_EQ(e.IoCode, 3);
        EXPECT_STREQ(e.what(), "Nom de fichier incorrect");
    }
    EXPECT_TRUE(Files().empty());
}

TEST_F(FileSave, AReadOnlyFileIsReportedAndKeptAsItWas) {
    std::string path = folder_ + "garde.txt";
    WriteFileAtomically(Wide(path), "precious");
    SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_READONLY);
    try {
        WriteFileAtomically(Wide(path), "new content");
        FAIL() << "no error";
    } catch (const ESaveError& e) {
        EXPECT_EQ(e.IoCode, 5);
        EXPECT_EQ(std::string(e.what()), Cp1252("Accès au fichier refusé"));
    }
    EXPECT_EQ(Read(path), "precious");
    EXPECT_EQ(Files(), std::vector<std::string>{"garde.txt"});
}

TEST_F(FileSave, AnInvalidNameIsReportedAndLeavesNoTemporaryFile) {
    EXPECT_THROW(WriteFileAtomically(Wide(folder_ + "a<b>|c.cv3"), "x"), ESaveError);
    EXPECT_TRUE(Files().empty());
}

TEST(SaveErrorText, NamesTheCommonFailuresInFrench) {
    EXPECT_EQ(SaveErrorText(2), "Fichier introuvable");
    EXPECT_EQ(SaveErrorText(3), "Nom de fichier incorrect");
    EXPECT_EQ(SaveErrorText(4), "Trop de fichiers ouverts");
    EXPECT_EQ(SaveErrorText(5), Cp1252("Accès au fichier refusé"));
    EXPECT_EQ(SaveErrorText(101), "Disque plein");
    EXPECT_EQ(SaveErrorText(123), "Erreur E/S 123");
    EXPECT_EQ(ESaveError(ERROR_DISK_FULL).IoCode, 101);
}
