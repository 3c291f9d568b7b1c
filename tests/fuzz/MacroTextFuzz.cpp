// The DDE command text: split into lines and each line's function name, on any bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "link/MacroText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::size_t characters = 0;
    for (const std::string& line : SplitCommandLines(text)) {
        if (line.find_first_of("\r\n") != std::string::npos) std::abort();
        characters += line.size();
        std::string name = MacroFunctionName(line);
        if (name.size() > 255 || name.size() > line.size()) std::abort();
        for (char c : name)
            if (c >= 'a' && c <= 'z') std::abort();
    }
    if (characters > size) std::abort();
    return 0;
}
