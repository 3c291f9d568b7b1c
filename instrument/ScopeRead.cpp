#include "instrument/ScopeRead.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "common/NumberText.h"
#include "common/Text1252.h"
#include "common/Words.h"

double AnswerNumber(const std::string& answer) {
    // The number starts at the first sign or digit after the header ("C1:VDIV "), if any.
    std::size_t space = answer.find_last_of(' ');
    std::string text = space == std::string::npos ? answer : answer.substr(space + 1);
    const char* start = text.c_str();
    char* end = nullptr;
    double value = std::strtod(start, &end);
    if (end == start || !std::isfinite(value))
        throw EInstrumentError(InstrumentFault::BadPreamble, answer);
    // A count or a rate may carry a multiple before its unit: "1.4Mpts", "1.00GSa/s".
    std::string unit = end;
    static constexpr struct {
        char Letter;
        double Factor;
    } kMultiples[] = {{'k', 1e3}, {'K', 1e3}, {'M', 1e6}, {'G', 1e9}};
    for (const auto& multiple : kMultiples)
        if (unit.size() > 1 && unit[0] == multiple.Letter &&
            (unit.compare(1, 3, "pts") == 0 || unit.compare(1, 2, "Sa") == 0))
            return value * multiple.Factor;
    return value;
}

std::string AnswerWord(const std::string& answer) {
    std::size_t space = answer.find_last_of(' ');
    return UpperCase(space == std::string::npos ? answer : answer.substr(space + 1));
}

std::string DivisionText(double value, const std::string& unit) {
    struct Prefix {
        double Factor;
        const char* Utf8;
    };
    static constexpr Prefix kPrefixes[] = {{1e3, "k"},  {1, ""},     {1e-3, "m"},
                                           {1e-6, "µ"}, {1e-9, "n"}, {1e-12, "p"}};
    double magnitude = std::fabs(value);
    const Prefix* chosen = &kPrefixes[std::size(kPrefixes) - 1];
    for (const Prefix& prefix : kPrefixes)
        if (magnitude >= prefix.Factor * 0.9995) {
            chosen = &prefix;
            break;
        }
    return FormatGeneral(value / chosen->Factor, 3, 1, '.') + Cp1252(chosen->Utf8) + unit + "/div";
}

AcquisitionPtr ScopeAcquisition(const ScopeIdentity& identity, const ScopeScreen& screen,
                                std::vector<ScopeChannel> channels, const ScopeRequest& request) {
    if (channels.empty()) throw EInstrumentError(InstrumentFault::NoChannelShown);
    std::size_t count = channels.front().Volts.size();
    for (const ScopeChannel& channel : channels) count = std::min(count, channel.Volts.size());
    std::vector<double> times(count);
    for (std::size_t i = 0; i < count; ++i) times[i] = double(i) * screen.SampleTime;
    AcquisitionScreen shown;
    shown.DivisionsAcross = screen.DivisionsAcross;
    shown.DivisionsUp = screen.DivisionsUp;
    shown.SecondsPerDivision = screen.SecondsPerDivision;
    shown.TimeBaseText = DivisionText(screen.SecondsPerDivision, "s");
    std::vector<AcquisitionChannel> made;
    for (ScopeChannel& channel : channels) {
        channel.Volts.resize(count);
        AcquisitionChannel c;
        c.Name = request.Names[std::size_t(channel.Number - 1)];
        c.VoltsPerDivision = channel.VoltsPerDivision;
        c.Offset = channel.Offset;
        c.ScaleText = DivisionText(channel.VoltsPerDivision, "V");
        c.Input = channel.Number;
        c.Samples = std::make_shared<const ChannelSamples>(
            ChannelSamples{times, std::move(channel.Volts), channel.Step, channel.ClippedLow,
                           channel.ClippedHigh});
        made.push_back(std::move(c));
    }
    if (count < 2) throw EInstrumentError(InstrumentFault::ShortBlock);
    return std::make_shared<const Acquisition>(
        AcquisitionSource{SourceKind::Scope, identity.Name(), request.TimeOfDay}, std::move(shown),
        std::move(made), count);
}

std::vector<ScopeChannel> ReadEachShown(
    const std::vector<int>& shown, const ScopeRequest& request,
    const std::function<ScopeChannel(int number, const TransferProgress& progress)>& read) {
    std::vector<ScopeChannel> channels;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        TransferProgress share;
        if (request.Progress)
            share = [&progress = request.Progress, i, count = shown.size()](std::size_t done,
                                                                            std::size_t total) {
                progress(i * total + done, count * total);
            };
        channels.push_back(read(shown[i], share));
    }
    return channels;
}
