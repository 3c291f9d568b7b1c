#include "export/TransferText.h"

#include <vector>

#include "common/NumberText.h"

namespace {

constexpr std::size_t kMaxLine = 255;

// The parameter block: an empty line, the name, the unit and the value, when the value reads.
void AppendPageParameter(std::vector<std::string>& lines, const PageInformation& page) {
    if (page.ParameterName.empty()) return;
    double value = ParseReal(page.ParameterValue);
    if (value == NoValue) return;
    lines.insert(lines.end(), {"", page.ParameterName, page.ParameterUnit, FormatReal(value)});
}

} // namespace

std::string TransferText(const AcquisitionRecord& record, const std::string& programPath,
                         const PageInformation& page) {
    std::vector<std::string> lines = {
        programPath, page.NewFile ? "Acquisition avec oscillo HAMEG" : "", page.Comment};
    int channels = record.ChannelCount == 1 ? 1 : 2;
    std::string names = "t", units = "s\tV", meanings = "temps";
    for (int c = 1; c <= channels; ++c) {
        names += "\t" + record.Channel(c).Name;
        meanings += "\t" + record.Channel(c).Meaning;
    }
    if (channels == 2) units += "\tV";
    for (std::string* line : {&names, &units, &meanings})
        lines.push_back(line->substr(0, kMaxLine));
    std::vector<SampleTexts> samples;
    for (int c = 1; c <= channels; ++c) samples.emplace_back(record, record.Channel(c));
    for (int row = 0; row < record.RowCount(); ++row) {
        std::string line = FormatRealDot(record.SampleTime(row));
        for (SampleTexts& channel : samples) {
            line += '\t';
            line += channel(uint16_t(row));
        }
        lines.push_back(line.substr(0, kMaxLine));
    }
    AppendPageParameter(lines, page);

    std::string text;
    text.reserve(lines.size() * 32);
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}
