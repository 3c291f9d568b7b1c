#include "common/Folders.h"

std::wstring DocumentsDir;
std::wstring AppDataDir;

std::wstring WithTrailingBackslash(const std::wstring& path) {
    if (path.empty() || path.back() == L'\\') return path;
    return path + L'\\';
}
