#pragma once
// Where a text goes as it is written: a file, the clipboard's memory, a string. A million rows
// never have to be held whole.
#include <cstddef>
#include <string>
#include <string_view>

class TextSink {
public:
    virtual ~TextSink() = default;
    virtual void Write(std::string_view text) = 0;
};

// Keeps it all: short texts and tests.
class StringSink : public TextSink {
public:
    void Write(std::string_view text) override { Text += text; }
    std::string Text;
};

// Only counts it: the clipboard's memory is sized before the text is written into it.
class CountingSink : public TextSink {
public:
    void Write(std::string_view text) override { Bytes += text.size(); }
    std::size_t Bytes = 0;
};
