// Files read back: what the program saves reads and saves again byte for byte; what it cannot
// have saved is refused with the line and what was expected.
#include "export/DataReader.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <tuple>

#include "acquisition/Record.h"
#include "common/NumberText.h"
#include "common/Text1252.h"
#include "export/DataFile.h"
#include "export/SeriesTable.h"
#include "export/TransferText.h"

namespace {

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

// The lines of a UTF-8 text, one per "\n", as 1252 bytes.
std::vector<std::string> Lines(const char* utf8) {
    std::vector<std::string> lines;
    std::string text = Cp1252(utf8);
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

const std::vector<std::string> kCurvilab =
    Lines("MORVANET CURVILAB WINDOWS 1.0\n£2 NOM VAR\nt\nV1\n£2 UNITE VAR\ns\nV\n"
          "£2 SIGNIF VAR\ntemps\ntension\n£1 ACQUISITION\nC:\\vexor.exe\n£1 PAGE COMMENT\n\n"
          "&2 VALEUR VAR\n0\t0.5\t\n5E-06\t-0,25\t\n");
const std::vector<std::string> kAscii =
    Lines("Hameg\nt\tV1\t\ns\tV\t\ntemps\ttension\t\n0\t0.5\t\n5E-06\t-0,25\t\n");

class DataReader : public ::testing::Test {
protected:
    void TearDown() override { SetDecimalSeparator('.'); }
};

} // namespace

TEST_F(DataReader, WhatTheProgramSavesReadsBackAndSavesAgainByteForByte) {
    AcquisitionRecord record;
    record.TimeStep = 0.0000123f; // times of six digits
    record.Channel(1).Sensitivity = 5.0f;
    record.Channel(2).Sensitivity = 0.123f; // values of five digits
    record.Channel(2).Name = Cp1252("Tension résistance");
    for (int i = 0; i < 4096; ++i) record.RawData[std::size_t(i)] = (i * 37) % 256;
    for (char separator : {'.', ','})
        for (int channels : {1, 2})
            for (bool shortRecord : {false, true})
                for (bool curvilab : {true, false}) {
                    SetDecimalSeparator(separator);
                    record.ChannelCount = uint8_t(channels);
                    record.ShortRecord = shortRecord;
                    SCOPED_TRACE(testing::Message()
                                 << separator << channels << shortRecord << curvilab);
                    AcquisitionPtr read1 = AcquisitionOf(record, false, {}, "");
                    std::string saved = DataFileText(*read1, "C:\\vexor.exe", curvilab);
                    DataFileContents read = ReadDataFile(saved, curvilab);
                    EXPECT_EQ(DataFileText(read.Table, curvilab), saved);
                    EXPECT_FALSE(read.MorePages);

                    const DataTable& table = read.Table;
                    EXPECT_EQ(table.Variables, AcquisitionVariables(*read1));
                    EXPECT_EQ(table.Source, curvilab ? "C:\\vexor.exe" : "");
                    ASSERT_EQ(table.RowCount(), curvilab && shortRecord ? 205u : 2048u);
                    for (std::size_t row : {std::size_t(1), table.RowCount() - 1}) {
                        double time = record.SampleTime(int(row));
                        EXPECT_NEAR(table.Columns[0][row], time, 1e-5 * time);
                        for (int c = 1; c <= channels; ++c) {
                            int raw = record.RawData[row + std::size_t(c - 1) * 2048];
                            double volts = (raw - 127) * record.Channel(c).Sensitivity / 25.0;
                            EXPECT_NEAR(table.Columns[std::size_t(c)][row], volts,
                                        1e-4 * std::fabs(volts));
                        }
                    }
                    // The full record's Curvilab file gives the ASCII table of the same record.
                    if (curvilab && !shortRecord) {
                        EXPECT_EQ(DataFileText(table, false), DataFileText(*read1, "", false));
                    }
                }
}

TEST_F(DataReader, AFileOfTheSameLayoutWithOtherVariablesAndLooserTextReads) {
    std::string text = Join(Lines(
        "MORVANET CURVILAB WINDOWS 1.0\n£4 NOM VAR\nu\nx\ntemps\nw\n£4 UNITE VAR\nV\nm\ns\nV\n"
        "£4 SIGNIF VAR\na\nb\nc\nd\n£1 ACQUISITION\nC:\\autre.exe\n£1 PAGE COMMENT\n"
        "un essai, 20 °C\n&2 VALEUR VAR\n1,5\t-2\t+3e-3\t.5\n0\t1E2\t4.\t-0,25\t\n"
        "£1 NOM VAR\nt\n"));
    DataFileContents read = ReadDataFile(text, true);
    EXPECT_TRUE(read.MorePages);
    EXPECT_EQ(read.Table.Comment, Cp1252("un essai, 20 °C"));
    EXPECT_EQ(read.Table.Columns,
              (std::vector<std::vector<double>>{{1.5, 0}, {-2, 100}, {0.003, 4}, {0.5, -0.25}}));
    AcquisitionColumns columns = FindAcquisitionColumns(read.Table);
    EXPECT_EQ(columns.Time, 2u);
    EXPECT_EQ(columns.Voltages, (std::vector<std::size_t>{0, 3}));

    // LF alone ends a line too.
    std::string lf = Join(kAscii);
    std::erase(lf, '\r');
    EXPECT_EQ(ReadDataFile(lf, false).Table.Columns[1], (std::vector<double>{0.5, -0.25}));

    DataTable table = ReadDataFile(Join(kAscii), false).Table;
    for (auto [unit, message] :
         {std::pair{"s", "Première page : tension (unité « V ») attendue"},
          {"V", "Première page : variable de temps (unité « s ») attendue"}}) {
        table.Variables[0].Unit = table.Variables[1].Unit = unit;
        try {
            FindAcquisitionColumns(table);
            ADD_FAILURE() << unit;
        } catch (const EDataFileError& error) {
            EXPECT_EQ(error.what(), Cp1252(message));
        }
    }
}

// Another program's values are saved again as they were read, with the digits they need and no
// fewer than the program's own; a TAB in a name would shift the ASCII table's columns.
TEST_F(DataReader, AnotherProgramsFileIsSavedAgainWithItsOwnValues) {
    const std::string text = Join(
        Lines("MORVANET CURVILAB WINDOWS 1.0\n£2 NOM VAR\nt\nV\t1\n£2 UNITE VAR\ns\nV\n"
              "£2 SIGNIF VAR\ntemps\ntension\n£1 ACQUISITION\nC:\\autre.exe\n£1 PAGE COMMENT\n\n"
              "&4 VALEUR VAR\n1.000001\t0.123456789\t\n1.000002\t-2.5e-7\t\n1.000003\t1234567.5\t\n"
              "1E17\t0\t\n"));
    for (char separator : {'.', ','}) {
        SetDecimalSeparator(separator);
        DataTable read = ReadDataFile(text, true).Table;
        for (bool curvilab : {true, false}) {
            std::string saved = DataFileText(read, curvilab);
            DataTable again = ReadDataFile(saved, curvilab).Table;
            EXPECT_EQ(again.Columns, read.Columns) << separator << curvilab;
            std::string second = curvilab ? "1.000002" : "1" + std::string(1, separator) + "000002";
            EXPECT_NE(saved.find(second + "\t-2" + separator + "5E-7\t\r\n"), std::string::npos)
                << saved;
            EXPECT_NE(saved.find("\t1234567" + std::string(1, separator) + "5\t"),
                      std::string::npos);
            EXPECT_NE(saved.find(curvilab ? "\r\nV 1\r\n" : "\tV 1\t"), std::string::npos);
        }
    }
}

TEST_F(DataReader, WhatTheProgramCannotHaveSavedIsRefusedWithItsLineAndWhatWasExpected) {
    const std::string kDrop = "<drop>";
    struct Case {
        bool curvilab;
        std::size_t line; // 1-based line of the file above that is replaced or dropped
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {true, 1, "MORVANET CURVILAB WINDOWS 2.0",
         "Ligne 1 : « MORVANET CURVILAB WINDOWS 1.0 » attendu"},
        {true, 2, Cp1252("£2 NOMS VAR"), "Ligne 2 : section « NOM VAR » attendue"},
        {true, 2, Cp1252("£0 NOM VAR"), "Ligne 2 : de 1 à 32 variables attendues"},
        {true, 2, Cp1252("£3 NOM VAR"), "Ligne 5 : nom de variable attendu"},
        {true, 5, Cp1252("£3 UNITE VAR"), "Ligne 5 : section « £2 UNITE VAR » attendue"},
        {true, 7, kDrop, "Ligne 7 : unité attendue"},
        {true, 9, kDrop, "Ligne 10 : signification attendue"},
        {true, 11, kDrop, "Ligne 11 : section « £1 ACQUISITION » attendue"},
        {true, 14, Cp1252("£2 PAGE COMMENT"), "Ligne 14 : commentaire attendu"},
        {true, 13, Cp1252("£2 PAGE COMMENT"), "Ligne 13 : section « £1 PAGE COMMENT » attendue"},
        {true, 15, "2 VALEUR VAR", "Ligne 15 : section « VALEUR VAR » attendue"},
        {true, 15, "&3 VALEUR VAR", "Ligne 18 : ligne de valeurs attendue (3 annoncées ligne 15)"},
        {true, 15, "&1000001 VALEUR VAR", "Ligne 15 : 1000000 lignes de valeurs au plus"},
        {true, 15, "&1 VALEUR VAR", "Ligne 17 : fin du fichier attendue"},
        {true, 16, "0\t", "Ligne 16 : 2 valeurs attendues, 1 trouvée"},
        {true, 17, "5E-06\t0.5\t1\t", "Ligne 17 : 2 valeurs attendues, 3 trouvées"},
        {true, 16, "0\t0.5 V\t", "Ligne 16 : nombre attendu en colonne 2, « 0.5 V » trouvé"},
        {true, 16, "0\t\t", "Ligne 16 : nombre attendu en colonne 2, «  » trouvé"},
        {true, 17, "1E301\t0\t",
         "Ligne 17 : nombre entre 1E-300 et 1E300 en valeur absolue attendu en colonne 1, "
         "« 1E301 » trouvé"},
        {true, 12, std::string("C:\\v\0.exe", 9),
         "Ligne 12 : texte attendu, octet 0x00 trouvé (fichier binaire ?)"},
        {true, 10, "tension\x81", "Ligne 10 : texte Windows-1252 attendu, octet 0x81 trouvé"},
        {false, 1, "Hamegg", "Ligne 1 : « Hameg » attendu"},
        {false, 2, "", "Ligne 2 : noms des variables attendus"},
        {false, 2, std::string(32, '\t') + "x", "Ligne 2 : 32 variables au plus"},
        {false, 3, "s\t", "Ligne 3 : 2 unités attendues, 1 trouvée"},
        {false, 4, "temps\ttension\tx\t", "Ligne 4 : 2 significations attendues, 3 trouvées"},
        {false, 5, "0\t0.5\t\t", "Ligne 5 : 2 valeurs attendues, 3 trouvées"},
        {false, 2, "t\tTension r\xC3\xA9sistance\t",
         "Ligne 2 : texte Windows-1252 attendu, texte UTF-8 trouvé"},
        {false, 6, "0\r\t1", "Ligne 6 : texte attendu, octet 0x0D trouvé (fichier binaire ?)"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines = c.curvilab ? kCurvilab : kAscii;
        if (c.text == kDrop)
            lines.erase(lines.begin() + std::ptrdiff_t(c.line - 1));
        else
            lines[c.line - 1] = c.text;
        try {
            ReadDataFile(Join(lines), c.curvilab);
            ADD_FAILURE() << "read: " << c.message;
        } catch (const EDataFileError& error) {
            EXPECT_EQ(error.what(), Cp1252(c.message));
        }
    }

    std::string longTable = Join(kAscii);
    for (std::size_t row = 2; row < kMaxTableRows; ++row) longTable += "0\t0\t\r\n";
    EXPECT_EQ(ReadDataFile(longTable, false).Table.RowCount(), 1000000u);
    std::string cut = Join(kCurvilab);
    const std::tuple<std::string, bool, const char*> wholeFiles[] = {
        {"", true, "Ligne 1 : « MORVANET CURVILAB WINDOWS 1.0 » attendu"},
        {cut.substr(0, cut.size() - 4), true,
         "Ligne 17 : fin de ligne attendue (fichier tronqué ?)"},
        {std::string(kMaxDataFileBytes + 1, ' '), false, "Fichier trop volumineux : 64 Mo au plus"},
        {longTable + "0\t0\t\r\n", false, "Ligne 1000005 : 1000000 lignes de valeurs au plus"},
    };
    for (const auto& [text, curvilab, message] : wholeFiles) {
        try {
            ReadDataFile(text, curvilab);
            ADD_FAILURE() << "read: " << message;
        } catch (const EDataFileError& error) {
            EXPECT_EQ(error.what(), Cp1252(message));
        }
    }
}

TEST_F(DataReader, ASeriesIsWrittenInBothFormatsAndRecognisedWhenReadBack) {
    Series series{{"V1", "Sortie"},
                  {{1000, {2.5, 1.25}, -6.0206, -90}, {12345.6, {0.012, 0.0061}, -5.8758, 45.5}}};
    for (char separator : {'.', ','})
        for (std::size_t channels : {2u, 1u}) {
            SetDecimalSeparator(separator);
            series.ChannelNames.resize(channels);
            DataTable table = SeriesTable(series, "C:\\vexor.exe");
            for (bool curvilab : {true, false}) {
                std::string saved = DataFileText(table, curvilab);
                DataTable read = ReadDataFile(saved, curvilab).Table;
                EXPECT_EQ(DataFileText(read, curvilab), saved);
                std::optional<Series> found = FindSeries(read);
                ASSERT_TRUE(found);
                EXPECT_EQ(found->ChannelNames, series.ChannelNames);
                ASSERT_EQ(found->Points.size(), 2u);
                for (std::size_t p = 0; p < 2; ++p) {
                    const SeriesPoint &a = found->Points[p], &b = series.Points[p];
                    EXPECT_EQ(a.Frequency, b.Frequency);
                    for (std::size_t c = 0; c < channels; ++c)
                        EXPECT_EQ(a.PeakToPeak[c], b.PeakToPeak[c]);
                    EXPECT_EQ(a.Gain, b.Gain);
                    EXPECT_EQ(a.Phase, b.Phase);
                }
                std::string values = channels == 2 ? "\t0,012\t0,0061\t-5,8758\t45,5\t\r\n"
                                                   : "\t0,012\t-5,8758\t45,5\t\r\n";
                std::replace(values.begin(), values.end(), ',', separator);
                std::string frequency =
                    curvilab ? "12345.6" : "12345" + std::string(1, separator) + "6";
                EXPECT_TRUE(saved.ends_with(frequency + values)) << saved;
            }
        }
    EXPECT_FALSE(FindSeries(ReadDataFile(Join(kAscii), false).Table));

    SetDecimalSeparator(',');
    series.ChannelNames = {"V1"};
    PageInformation page{true, SeriesComment(), "", "", ""};
    EXPECT_EQ(TransferText(SeriesTable(series, "C:\\vexor.exe"), "C:\\vexor.exe", page),
              Cp1252("C:\\vexor.exe\r\n"
                     "Acquisition avec oscillo HAMEG\r\n"
                     "Série de mesures\r\n"
                     "f\tV1\tG\tphi\r\n"
                     "Hz\tV\tdB\t°\r\n"
                     "fréquence\ttension crête à crête\tgain\tdéphasage\r\n"
                     "1000\t2,5\t-6,0206\t-90\r\n"
                     "12345.6\t0,012\t-5,8758\t45,5\r\n"));
    DataTable uneven = SeriesTable(series, "");
    uneven.Columns[1].pop_back();
    EXPECT_THROW(DataFileText(uneven, true), std::invalid_argument);
}
