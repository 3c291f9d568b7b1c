#include "acquisition/Hm408Header.h"

#include "acquisition/Selectors.h"
#include "common/NumberText.h"
#include "common/Text1252.h"

namespace {

bool IsValueCharacter(char c) {
    static const std::string kValueCharacters = std::string("+-.0123456789Eekmu") + kMicroSign;
    return kValueCharacters.find(c) != std::string::npos;
}

// Bytes 1..255 of the image as the header text.
std::string HeaderText(const AcquisitionRecord& record) {
    std::string text(kHeaderTextLength, '\0');
    for (int i = 0; i < kHeaderTextLength; ++i)
        text[std::size_t(i)] = char(record.RawData[std::size_t(i + 1)] & 0xFF);
    return text;
}

// A sensitivity key: the channel's sensitivity when present; the display text either way.
std::string ApplySensitivity(std::string& headerText, const std::string& key, TvoieHameg& channel) {
    std::string value = FindHeaderValue(headerText, key);
    if (value.empty())
        value = "1";
    else
        channel.Sensitivity = float(ParseReal(value));
    return value + "V/div";
}

} // namespace

std::string FindHeaderValue(std::string& headerText, const std::string& key) {
    auto found = headerText.find(key);
    if (key.empty() || found == std::string::npos) return {};
    std::size_t start = found + key.size();
    if (start >= headerText.size()) return {};
    std::size_t end = start;
    while (end + 1 < headerText.size() && IsValueCharacter(headerText[end + 1])) {
        ++end;
        if (headerText[end] == 'u') headerText[end] = kMicroSign;
    }
    return headerText.substr(start, end - start + 1);
}

HeaderSettings ParseHeader(AcquisitionRecord& record) {
    HeaderSettings settings;
    record.ChannelCount = record.RawData[2] == 1 ? 2 : 1;
    settings.HoldNotPressed = record.RawData[9] == 1;
    record.ShortRecord = record.RawData[8] == 1;

    std::string text = HeaderText(record);
    settings.GammeCH1 = ApplySensitivity(text, "CH1=", record.Channel(1));
    settings.GammeCH2 = ApplySensitivity(text, "CH2=", record.Channel(2));

    std::string timeBase = FindHeaderValue(text, "TB=");
    for (char digit = '0'; timeBase.empty() && digit <= '3'; ++digit)
        timeBase = FindHeaderValue(text, std::string("E") + digit + "=");
    if (timeBase.empty()) {
        settings.BaseDeTemps = "1ms/div";
        record.TimeStep = TimeStepFor(0.001);
    } else {
        settings.BaseDeTemps = timeBase + "s/div";
        record.TimeStep = TimeStepFor(ParseReal(timeBase));
    }
    return settings;
}
