// ParseReal and ExpandUnitPrefix on any text, under both decimal separators: no crash, and a
// number that reads comes back within the precision of its G(6, 2) text. A number so close to
// NoValue that its text is NoValue's own reads back as NoValue: that is the sentinel at work.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/NumberText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    char separator = data[0] & 1 ? ',' : '.';
    SetDecimalSeparator(separator);
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    // Callers hand in at most 255 characters; the expansion must stay within them.
    std::string expanded = text.substr(0, 255);
    ExpandUnitPrefix(expanded, 255);
    if (expanded.size() > 255) std::abort();

    double value = ParseReal(text);
    if (value == NoValue) return 0;
    if (!std::isfinite(value)) std::abort();
    std::string written = FormatReal(value);
    double again = ParseReal(written);
    if (again == NoValue) {
        if (written != FormatReal(NoValue)) std::abort();
        return 0;
    }
    if (std::fabs(again - value) > 1e-5 * std::fabs(value) + 1e-300) std::abort();
    return 0;
}
