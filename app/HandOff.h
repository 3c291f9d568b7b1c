#pragma once
// What a second start hands to the running instance.
#include <string>
#include <vector>

// The arguments joined by one blank, each cut at 255 characters; arguments starting with "/"
// are switches and are left out.
std::string HandOffText(const std::vector<std::string>& arguments);
