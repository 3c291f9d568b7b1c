#pragma once
// The plain text work every instrument's answer needs: a start compared, upper case, the parts
// between separators, spaces trimmed. ASCII only: the instruments answer in ASCII.
#include <string>
#include <string_view>
#include <vector>

bool StartsWith(std::string_view text, std::string_view start);
std::string UpperCase(std::string text);
// The parts between each `separator` ("a,,b" gives "a", "", "b"); one part for a text without one.
std::vector<std::string> Split(std::string_view text, std::string_view separator);
// Without the spaces and tabs at either end.
std::string Trimmed(std::string_view text);
