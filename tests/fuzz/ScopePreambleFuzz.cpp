// The parsers of what a scope says of its settings: a Rigol preamble (and a Keysight's, the same
// ten fields over a whole record), a Siglent descriptor and a single answer's number. Any bytes
// give a preamble that makes sense or an EInstrumentError.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "acquisition/Acquisition.h"
#include "instrument/Preambles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        RigolPreamble preamble = ParseRigolPreamble(text);
        if (preamble.Points < 2 || preamble.Points > kMostScreenPoints) std::abort();
        if (!(preamble.XIncrement > 0) || !(preamble.YIncrement > 0)) std::abort();
    } catch (const EInstrumentError&) {
    }
    try {
        RigolPreamble preamble = ParseRigolPreamble(text, kMostSamples);
        if (preamble.Points < 2 || preamble.Points > kMostSamples) std::abort();
    } catch (const EInstrumentError&) {
    }
    try {
        if (!std::isfinite(AnswerNumber(text))) std::abort();
    } catch (const EInstrumentError&) {
    }
    // A descriptor: the bytes as they are, and behind its name.
    for (bool named : {false, true}) {
        std::vector<uint8_t> block(data, data + size);
        if (named) {
            block.resize(std::max<std::size_t>(size, kSiglentDescriptorSize));
            std::copy_n("WAVEDESC", 8, block.begin());
        }
        try {
            SiglentDescriptor d = ParseSiglentDescriptor(block);
            if (!(d.VoltsPerDivision > 0) || !(d.CodesPerDivision >= 1) ||
                !(d.SampleInterval > 0) || d.Sparsing < 1 || d.ConverterBits < 8 ||
                d.ConverterBits > 16 || !(d.Probe > 0))
                std::abort();
        } catch (const EInstrumentError&) {
        }
    }
    return 0;
}
