// The files and the clipboard text of an HM read's acquisition, byte for byte as the program wrote
// them when its exports read the record itself (tests/export/golden/, made once and kept).
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "common/NumberText.h"
#include "export/DataFile.h"
#include "export/TransferText.h"
#include "tests/export/GoldenCases.h"

namespace {

std::string Golden(const std::string& name) {
    std::ifstream file(std::string(VEXOR_SOURCE_DIR) + "/tests/export/golden/" + name,
                       std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

} // namespace

TEST(GoldenTexts, AnHmReadsFilesAndClipboardTextAreWhatTheyWere) {
    const std::string program = "C:\\Scoptera\\vexor.exe";
    for (const GoldenCase& c : GoldenCases()) {
        SetDecimalSeparator(c.Separator);
        PageInformation page{c.Name.size() % 2 == 0, "essai " + c.Name, "R", "ohm", "4,7k"};
        AcquisitionPtr read = AcquisitionOf(c.Record, c.Name.starts_with("hm408"), {}, "");
        EXPECT_EQ(DataFileText(*read, program, true), Golden(c.Name + ".cv3")) << c.Name;
        EXPECT_EQ(DataFileText(*read, program, false), Golden(c.Name + ".txt")) << c.Name;
        EXPECT_EQ(TransferText(*read, program, page), Golden(c.Name + ".clip")) << c.Name;
    }
    SetDecimalSeparator('.');
}
