#include "common/Folders.h"

std::string DocumentsDir;
std::string AppDataDir;

std::string WithTrailingBackslash(const std::string& path) {
    if (path.empty() || path.back() == '\\') return path;
    return path + '\\';
}
