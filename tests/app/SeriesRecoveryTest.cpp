// The running series' file against the files other runs left in the same folder.
#include "app/SeriesRecovery.h"

#include <fstream>
#include <gtest/gtest.h>

#include "common/Folders.h"

namespace {

class SeriesRecoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"vexor-recovery-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
        folder_ += L"\\";
        saved_ = AppDataDir;
        AppDataDir = folder_;
    }
    void TearDown() override {
        for (const std::wstring& name :
             {std::wstring(L"serie-7.txt"), std::wstring(L"serie-7.txt.bad"),
              std::wstring(L"serie-8-0.txt"), OldName()})
            DeleteFileW((folder_ + name).c_str());
        RemoveDirectoryW(folder_.c_str());
        AppDataDir = saved_;
    }

    static std::wstring OldName() {
        return L"serie-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    }
    void Write(const std::wstring& name, const std::string& text) const {
        std::ofstream((folder_ + name).c_str(), std::ios::binary) << text;
    }
    bool Exists(const std::wstring& name) const {
        return GetFileAttributesW((folder_ + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    std::wstring folder_, saved_;
};

SeriesRow Row(int number) {
    SeriesRow row;
    row.Number = number;
    row.Frequency = {100.0 * number, Why::None};
    row.PeakToPeak = {Measure{1.0, Why::None}, Measure{0.5, Why::None}};
    row.Gain = {-6.0, Why::None};
    row.Phase = {-30.0, Why::None};
    return row;
}

} // namespace

// An earlier run under this very process id (ids are reused) left its series: this run's own
// file never takes its place, clearing this run's series leaves it, and it is offered.
TEST_F(SeriesRecoveryTest, AReusedProcessIdNeverCostsAnotherRunsSeries) {
    Write(OldName(), SeriesRecoveryText({"V1", "V2"}, {Row(1), Row(2)}));
    SeriesRecovery recovery;
    recovery.Forget();
    EXPECT_TRUE(Exists(OldName()));
    ASSERT_TRUE(recovery.Keep({"Ue", "Us"}, {Row(1)}));
    recovery.Forget();
    EXPECT_TRUE(Exists(OldName()));
    auto found = recovery.FindInterrupted();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->Series.Rows.size(), 2u);
    SeriesRecovery::Drop(*found);
    EXPECT_FALSE(Exists(OldName()));
}

// A file that is no series is set aside, never deleted; empty names make a series all the same.
TEST_F(SeriesRecoveryTest, WhatDoesNotReadIsSetAsideAndEmptyNamesRead) {
    Write(L"serie-7.txt", "Scoptera : serie en cours\r\n");
    Write(L"serie-8-0.txt", SeriesRecoveryText({"", ""}, {Row(3)}));
    SeriesRecovery recovery;
    auto found = recovery.FindInterrupted();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->Series.ChannelNames, (std::vector<std::string>{"", ""}));
    EXPECT_FALSE(Exists(L"serie-7.txt"));
    EXPECT_TRUE(Exists(L"serie-7.txt.bad"));
    EXPECT_TRUE(Exists(L"serie-8-0.txt"));
}
