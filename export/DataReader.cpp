#include "export/DataReader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "acquisition/PlotScale.h"
#include "common/Text1252.h"
#include "export/CurvilabFormat.h"

using namespace CurvilabFormat;

namespace {

constexpr std::size_t kMaxNumberText = 64;
constexpr std::size_t kShownText = 20;

[[noreturn]] void Fail(int line, const std::string& message) {
    throw EDataFileError(line, message);
}

// "1 valeur attendue", "3 valeurs attendues", "0 trouvée".
std::string Counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + Cp1252(count > 1 ? many : one);
}

// A field as a message shows it, between French quotes.
std::string Quoted(std::string_view text) {
    std::string shown(text.substr(0, kShownText));
    if (text.size() > kShownText) shown += '\x85'; // the ellipsis
    return Cp1252("« ") + shown + Cp1252(" »");
}

bool IsUtf8Continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Bytes that follow a UTF-8 lead byte, or 0 when it cannot lead a sequence.
std::size_t Utf8Extra(unsigned char lead) {
    return lead >= 0xC2 && lead <= 0xDF   ? 1
           : lead >= 0xE0 && lead <= 0xEF ? 2
           : lead >= 0xF0 && lead <= 0xF4 ? 3
                                          : 0;
}

bool IsUndefinedIn1252(unsigned char byte) {
    return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

std::string ByteText(unsigned char byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return text;
}

// Every byte must be 1252 text: no control but TAB, and CR only before LF, no byte that 1252
// leaves undefined, and not UTF-8 throughout (see the header).
void CheckText(std::string_view bytes) {
    int line = 1, utf8Line = 0, undefinedLine = 0;
    unsigned char undefined = 0;
    bool other8Bit = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == '\n') {
            ++line;
        } else if ((byte < 0x20 && byte != '\t' &&
                    !(byte == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) ||
                   byte == 0x7F) {
            Fail(line, Cp1252("texte attendu, octet ") + ByteText(byte) +
                           Cp1252(" trouvé (fichier binaire ?)"));
        } else if (byte >= 0x80) {
            if (IsUndefinedIn1252(byte) && undefinedLine == 0)
                undefinedLine = line, undefined = byte;
            std::size_t extra = Utf8Extra(byte);
            bool sequence = extra > 0 && i + extra < bytes.size();
            for (std::size_t k = 1; sequence && k <= extra; ++k)
                sequence = IsUtf8Continuation(static_cast<unsigned char>(bytes[i + k]));
            if (!sequence) {
                other8Bit = true;
                continue;
            }
            if (utf8Line == 0) utf8Line = line;
            for (std::size_t k = 1; k <= extra; ++k) {
                auto next = static_cast<unsigned char>(bytes[i + k]);
                if (IsUndefinedIn1252(next) && undefinedLine == 0)
                    undefinedLine = line, undefined = next;
            }
            i += extra;
        }
    }
    if (utf8Line != 0 && !other8Bit)
        Fail(utf8Line, Cp1252("texte Windows-1252 attendu, texte UTF-8 trouvé"));
    if (undefinedLine != 0)
        Fail(undefinedLine, Cp1252("texte Windows-1252 attendu, octet ") + ByteText(undefined) +
                                Cp1252(" trouvé"));
}

// The file's lines, one at a time, each without its LF or CR LF.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) : text_(text) {}

    bool AtEnd() const { return at_ == text_.size(); }
    int Number() const { return number_; } // of the line last taken
    std::size_t Remaining() const { return text_.size() - at_; }

    // `expected` names the line in the message when the file has ended before it.
    std::string_view Take(const std::string& expected) {
        if (AtEnd()) Fail(number_ + 1, expected);
        std::size_t end = text_.find('\n', at_);
        if (end == std::string_view::npos)
            Fail(number_ + 1, Cp1252("fin de ligne attendue (fichier tronqué ?)"));
        std::string_view line = text_.substr(at_, end - at_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        at_ = end + 1;
        ++number_;
        return line;
    }

private:
    std::string_view text_;
    std::size_t at_ = 0;
    int number_ = 0;
};

// "<marker><count><title>", the count in decimal digits; a count too long to be a sane one
// reads as SIZE_MAX.
bool ReadSection(std::string_view line, char marker, std::string_view title, std::size_t& count) {
    if (line.size() < 2 || line[0] != marker || !line.ends_with(title)) return false;
    std::string_view digits = line.substr(1, line.size() - 1 - title.size());
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    count = 0;
    for (char digit : digits)
        count = count > kMaxTableRows ? SIZE_MAX : count * 10 + std::size_t(digit - '0');
    return true;
}

// A line that opens a section cannot be one of the previous section's lines: there were fewer
// than its count announced.
bool IsSectionLine(std::string_view line) {
    std::size_t count = 0;
    for (std::string_view title : {kNames, kUnits, kMeanings, kAcquisition, kComment})
        if (ReadSection(line, kSectionMarker, title, count)) return true;
    return ReadSection(line, kValueMarker, kValues, count);
}

// A section's line; a TAB in it is a blank, as the writer writes it (TABs separate the fields of
// the ASCII table and of the clipboard text).
std::string TakeItem(LineCursor& lines, const char* expected) {
    std::string_view line = lines.Take(Cp1252(expected));
    if (IsSectionLine(line)) Fail(lines.Number(), Cp1252(expected));
    return OneField(std::string(line));
}

// A field: sign? digits [("." | ",") digits] [("E" | "e") sign? digits], with at least one digit
// before the exponent. False for anything else and for what is out of range.
bool ReadNumber(std::string_view text, double& value) {
    if (text.size() > kMaxNumberText) return false;
    char buffer[kMaxNumberText];
    std::size_t length = 0, i = 0;
    auto digits = [&] {
        std::size_t count = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++count)
            buffer[length++] = text[i];
        return count;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        if (text[i++] == '-') buffer[length++] = '-';
    std::size_t mantissa = digits();
    if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
        buffer[length++] = '.';
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return false;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        buffer[length++] = 'e';
        if (++i < text.size() && (text[i] == '+' || text[i] == '-')) buffer[length++] = text[i++];
        if (digits() == 0) return false;
    }
    if (i != text.size()) return false;
    auto [end, error] = std::from_chars(buffer, buffer + length, value);
    return error == std::errc() && end == buffer + length;
}

double ReadValue(std::string_view field, int line, std::size_t column) {
    double value = 0;
    if (!ReadNumber(field, value))
        Fail(line, Cp1252("nombre attendu en colonne ") + std::to_string(column + 1) + ", " +
                       Quoted(field) + Cp1252(" trouvé"));
    double magnitude = std::fabs(value);
    if (magnitude != 0 && (magnitude < kSmallestValue || magnitude > kLargestValue))
        Fail(line, Cp1252("nombre entre 1E-300 et 1E300 en valeur absolue attendu en colonne ") +
                       std::to_string(column + 1) + ", " + Quoted(field) + Cp1252(" trouvé"));
    return value;
}

// A line's fields are each followed by a TAB; the last one's TAB may be missing.
std::string_view WithoutLastTab(std::string_view line) {
    if (!line.empty() && line.back() == '\t') line.remove_suffix(1);
    return line;
}

std::size_t FieldCount(std::string_view line) {
    line = WithoutLastTab(line);
    return std::size_t(std::count(line.begin(), line.end(), '\t')) + 1;
}

void SplitFields(std::string_view line, std::vector<std::string_view>& fields) {
    line = WithoutLastTab(line);
    fields.clear();
    for (std::size_t start = 0;;) {
        std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string_view::npos) return;
        start = tab + 1;
    }
}

class RowReader {
public:
    explicit RowReader(DataTable& table) : table_(table) {}

    void Read(std::string_view line, int number) {
        std::size_t columns = table_.Columns.size(), found = FieldCount(line);
        if (found != columns)
            Fail(number, Counted(columns, "valeur attendue", "valeurs attendues") + ", " +
                             Counted(found, "trouvée", "trouvées"));
        SplitFields(line, fields_);
        for (std::size_t c = 0; c < columns; ++c)
            table_.Columns[c].push_back(ReadValue(fields_[c], number, c));
    }

private:
    DataTable& table_;
    std::vector<std::string_view> fields_;
};

void StartColumns(DataTable& table, std::size_t rowsAtMost) {
    table.Columns.assign(table.Variables.size(), {});
    for (std::vector<double>& column : table.Columns) column.reserve(rowsAtMost);
}

// A row of n fields takes at least 2n bytes.
std::size_t RowsAtMost(const LineCursor& lines, std::size_t columns) {
    return std::min(kMaxTableRows, lines.Remaining() / (2 * columns));
}

DataFileContents ReadCurvilab(LineCursor& lines) {
    DataFileContents contents;
    DataTable& table = contents.Table;
    if (lines.Take(Cp1252("« MORVANET CURVILAB WINDOWS 1.0 » attendu")) != kTitle)
        Fail(1, Cp1252("« MORVANET CURVILAB WINDOWS 1.0 » attendu"));

    std::size_t count = 0;
    const std::string namesExpected = Cp1252("section « NOM VAR » attendue");
    if (!ReadSection(lines.Take(namesExpected), kSectionMarker, kNames, count))
        Fail(lines.Number(), namesExpected);
    if (count < 1 || count > kMaxTableVariables)
        Fail(lines.Number(),
             Cp1252("de 1 à ") + std::to_string(kMaxTableVariables) + " variables attendues");
    table.Variables.resize(count);
    for (TableVariable& variable : table.Variables)
        variable.Name = TakeItem(lines, "nom de variable attendu");

    auto section = [&](std::string_view title, std::size_t expected) {
        std::string message = Cp1252("section « £") + std::to_string(expected) +
                              std::string(title) + Cp1252(" » attendue");
        std::size_t found = 0;
        if (!ReadSection(lines.Take(message), kSectionMarker, title, found) || found != expected)
            Fail(lines.Number(), message);
    };
    section(kUnits, count);
    for (TableVariable& variable : table.Variables)
        variable.Unit = TakeItem(lines, "unité attendue");
    section(kMeanings, count);
    for (TableVariable& variable : table.Variables)
        variable.Meaning = TakeItem(lines, "signification attendue");
    section(kAcquisition, 1);
    table.Source = TakeItem(lines, "chemin du programme attendu");
    section(kComment, 1);
    table.Comment = TakeItem(lines, "commentaire attendu");

    const std::string valuesExpected = Cp1252("section « VALEUR VAR » attendue");
    std::size_t rows = 0;
    if (!ReadSection(lines.Take(valuesExpected), kValueMarker, kValues, rows))
        Fail(lines.Number(), valuesExpected);
    if (rows > kMaxTableRows)
        Fail(lines.Number(), std::to_string(kMaxTableRows) + " lignes de valeurs au plus");
    const std::string rowExpected = Cp1252("ligne de valeurs attendue (") + std::to_string(rows) +
                                    Cp1252(" annoncées ligne ") + std::to_string(lines.Number()) +
                                    ")";
    StartColumns(table, std::min(rows, RowsAtMost(lines, count)));
    RowReader reader(table);
    for (std::size_t row = 0; row < rows; ++row) {
        std::string_view line = lines.Take(rowExpected);
        if (IsSectionLine(line)) Fail(lines.Number(), rowExpected);
        reader.Read(line, lines.Number());
    }
    if (!lines.AtEnd()) {
        std::string_view line = lines.Take("");
        if (line.empty() || line[0] != kSectionMarker)
            Fail(lines.Number(), "fin du fichier attendue");
        contents.MorePages = true;
    }
    return contents;
}

DataFileContents ReadAscii(LineCursor& lines) {
    DataFileContents contents;
    DataTable& table = contents.Table;
    if (lines.Take(Cp1252("« Hameg » attendu")) != kAsciiTitle)
        Fail(1, Cp1252("« Hameg » attendu"));

    std::vector<std::string_view> fields;
    const std::string namesExpected = "noms des variables attendus";
    std::string_view names = lines.Take(namesExpected);
    if (names.empty()) Fail(lines.Number(), namesExpected);
    if (FieldCount(names) > kMaxTableVariables)
        Fail(lines.Number(), std::to_string(kMaxTableVariables) + " variables au plus");
    SplitFields(names, fields);
    table.Variables.resize(fields.size());
    for (std::size_t v = 0; v < fields.size(); ++v) table.Variables[v].Name = fields[v];

    struct Line {
        std::string TableVariable::*Field;
        const char* One;
        const char* Many;
    };
    for (Line line :
         {Line{&TableVariable::Unit, "unité attendue", "unités attendues"},
          Line{&TableVariable::Meaning, "signification attendue", "significations attendues"}}) {
        std::string expected = Counted(table.Variables.size(), line.One, line.Many);
        std::string_view text = lines.Take(expected);
        if (std::size_t found = FieldCount(text); found != table.Variables.size())
            Fail(lines.Number(), expected + ", " + Counted(found, "trouvée", "trouvées"));
        SplitFields(text, fields);
        for (std::size_t v = 0; v < fields.size(); ++v) table.Variables[v].*line.Field = fields[v];
    }

    StartColumns(table, RowsAtMost(lines, table.Variables.size()));
    RowReader reader(table);
    for (std::size_t rows = 0; !lines.AtEnd(); ++rows) {
        std::string_view line = lines.Take("");
        if (rows == kMaxTableRows)
            Fail(lines.Number(), std::to_string(kMaxTableRows) + " lignes de valeurs au plus");
        reader.Read(line, lines.Number());
    }
    return contents;
}

} // namespace

EDataFileError::EDataFileError(int line, const std::string& message)
    : std::runtime_error(line > 0 ? "Ligne " + std::to_string(line) + " : " + message : message),
      Line(line) {}

DataFileContents ReadDataFile(std::string_view bytes, bool curvilab) {
    if (bytes.size() > kMaxDataFileBytes)
        Fail(0, "Fichier trop volumineux : " + std::to_string(kMaxDataFileBytes >> 20) +
                    " Mo au plus");
    CheckText(bytes);
    LineCursor lines(bytes);
    DataFileContents contents = curvilab ? ReadCurvilab(lines) : ReadAscii(lines);
    contents.Table.ReadBack = true;
    return contents;
}

AcquisitionColumns FindAcquisitionColumns(const DataTable& table) {
    AcquisitionColumns found;
    bool time = false;
    for (std::size_t v = 0; v < table.Variables.size(); ++v) {
        const std::string& unit = table.Variables[v].Unit;
        if (unit == "s" && !time) {
            found.Time = v;
            time = true;
        } else if (unit == "V" && found.Voltages.size() < kMostVoltages) {
            found.Voltages.push_back(v);
        }
    }
    if (!time) Fail(0, Cp1252("Première page : variable de temps (unité « s ») attendue"));
    if (found.Voltages.empty()) Fail(0, Cp1252("Première page : tension (unité « V ») attendue"));
    return found;
}

AcquisitionPtr AcquisitionOfFile(const DataTable& table, const std::string& fileName) {
    AcquisitionColumns columns = FindAcquisitionColumns(table);
    if (table.RowCount() < 2)
        Fail(0, Cp1252("Première page : au moins deux lignes de valeurs attendues"));
    const std::vector<double>& times = table.Columns[columns.Time];
    AcquisitionScreen screen;
    PlotAxis time = FittingAxis(times.front(), times.back(), screen.DivisionsAcross);
    screen.SecondsPerDivision = time.PerDivision;
    screen.LeftTime = time.Start;
    std::vector<AcquisitionChannel> channels;
    for (std::size_t column : columns.Voltages) {
        const TableVariable& variable = table.Variables[column];
        AcquisitionChannel channel;
        channel.Name = variable.Name;
        channel.Meaning = variable.Meaning;
        channel.Unit = variable.Unit;
        const std::vector<double>& values = table.Columns[column];
        auto [low, high] = std::minmax_element(values.begin(), values.end());
        PlotAxis up = FittingAxis(*low, *high, screen.DivisionsUp);
        channel.VoltsPerDivision = up.PerDivision;
        channel.Offset = up.ValueAt(0.5);
        channel.Samples = std::make_shared<const ChannelSamples>(ChannelSamples{times, values});
        channels.push_back(std::move(channel));
    }
    return std::make_shared<const Acquisition>(AcquisitionSource{SourceKind::File, fileName, ""},
                                               std::move(screen), std::move(channels),
                                               table.RowCount());
}
