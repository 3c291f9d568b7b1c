#include "export/DataFile.h"

#include <vector>

#include "common/NumberText.h"

namespace {

constexpr char kSectionMarker = '\xA3';
constexpr char kValueMarker = '&';
const std::string kLineEnd = "\r\n";

int Channels(const AcquisitionRecord& record) { return record.ChannelCount == 1 ? 1 : 2; }

std::string Section(int count, const char* title) {
    return kSectionMarker + std::to_string(count) + title + kLineEnd;
}

std::string Rows(const AcquisitionRecord& record, int rows, std::string (*time)(double)) {
    std::vector<SampleTexts> samples;
    for (int c = 1; c <= Channels(record); ++c) samples.emplace_back(record, record.Channel(c));
    std::string text;
    text.reserve(std::size_t(rows) * 32);
    for (int row = 0; row < rows; ++row) {
        text += time(record.SampleTime(row));
        text += '\t';
        for (SampleTexts& channel : samples) {
            text += channel(uint16_t(row));
            text += '\t';
        }
        text += kLineEnd;
    }
    return text;
}

} // namespace

bool IsCurvilabFileName(const std::string& path) {
    std::size_t nameStart = path.find_last_of("\\/");
    std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (nameStart != std::string::npos && dot < nameStart))
        return false;
    std::string extension = path.substr(dot);
    for (char& c : extension)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return extension == ".CV3";
}

std::string WriteFileHeader(const AcquisitionRecord& record, const std::string& programPath,
                            bool curvilab) {
    int n = Channels(record);
    std::string text;
    if (!curvilab) {
        std::string names = "t\t", units = "s\tV\t", meanings = "temps\t";
        for (int c = 1; c <= n; ++c) {
            names += record.Channel(c).Name + "\t";
            meanings += record.Channel(c).Meaning + "\t";
        }
        if (n == 2) units += "V\t";
        return "Hameg" + kLineEnd + names + kLineEnd + units + kLineEnd + meanings + kLineEnd;
    }
    text += "MORVANET CURVILAB WINDOWS 1.0" + kLineEnd;
    text += Section(n + 1, " NOM VAR") + "t" + kLineEnd;
    for (int c = 1; c <= n; ++c) text += record.Channel(c).Name + kLineEnd;
    text += Section(n + 1, " UNITE VAR") + "s" + kLineEnd;
    for (int c = 1; c <= n; ++c) text += "V" + kLineEnd;
    text += Section(n + 1, " SIGNIF VAR") + "temps" + kLineEnd;
    for (int c = 1; c <= n; ++c) text += record.Channel(c).Meaning + kLineEnd;
    text += kSectionMarker + std::string("1 ACQUISITION") + kLineEnd + programPath + kLineEnd;
    text += Section(1, " PAGE COMMENT") + kLineEnd;
    text += kValueMarker + std::to_string(record.RowCount()) + " VALEUR VAR" + kLineEnd;
    return text;
}

std::string WriteCurvilabRows(const AcquisitionRecord& record) {
    return Rows(record, record.RowCount(), FormatRealDot);
}

std::string WriteAsciiRows(const AcquisitionRecord& record) {
    return Rows(record, kSamplesPerChannel, FormatReal);
}

std::string DataFileText(const AcquisitionRecord& record, const std::string& programPath,
                         bool curvilab) {
    return WriteFileHeader(record, programPath, curvilab) +
           (curvilab ? WriteCurvilabRows(record) : WriteAsciiRows(record));
}
