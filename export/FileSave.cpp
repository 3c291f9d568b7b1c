#include "export/FileSave.h"

#include <windows.h>

#include <algorithm>

#include "common/Text1252.h"
#include "ui/Handles.h"

namespace {

int IoCodeOf(unsigned long systemError) {
    switch (systemError) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return 101;
    case ERROR_DIRECTORY: return 3; // the temporary file's folder does not exist
    default: return int(systemError);
    }
}

std::wstring FolderOf(const std::wstring& path) {
    std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash + 1);
}

} // namespace

std::string SaveErrorText(int ioCode) {
    switch (ioCode) {
    case 2: return "Fichier introuvable";
    case 3: return "Nom de fichier incorrect";
    case 4: return "Trop de fichiers ouverts";
    case 5: return Cp1252("Accès au fichier refusé");
    case 101: return "Disque plein";
    default: return "Erreur E/S " + std::to_string(ioCode);
    }
}

ESaveError::ESaveError(unsigned long systemError)
    : std::runtime_error(SaveErrorText(IoCodeOf(systemError))), IoCode(IoCodeOf(systemError)) {}

namespace {

// The text into a file in blocks; the first failure is kept and ends the writing.
class FileSink : public TextSink {
public:
    explicit FileSink(HANDLE file) : file_(file) { buffer_.reserve(kBlock); }
    void Write(std::string_view text) override {
        buffer_ += text;
        if (buffer_.size() >= kBlock) Flush();
    }
    // The system error of the first failure, 0 when none.
    DWORD Flush() {
        if (error_ == 0 && !buffer_.empty()) {
            DWORD written = 0;
            if (!WriteFile(file_, buffer_.data(), DWORD(buffer_.size()), &written, nullptr) ||
                written != buffer_.size())
                error_ = GetLastError() ? GetLastError() : ERROR_DISK_FULL;
        }
        buffer_.clear();
        return error_;
    }

private:
    static constexpr std::size_t kBlock = 1 << 16;
    HANDLE file_;
    std::string buffer_;
    DWORD error_ = 0;
};

} // namespace

void WriteFileAtomically(const std::wstring& path, const std::function<void(TextSink&)>& write) {
    // A read-only file or a folder in the way could be replaced by the rename on some systems;
    // writing it in place would be refused, and so is this.
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        throw ESaveError(ERROR_ACCESS_DENIED);
    wchar_t temporary[MAX_PATH + 16] = {};
    if (!GetTempFileNameW(FolderOf(path).c_str(), L"vx", 0, temporary))
        throw ESaveError(GetLastError());
    auto failed = [&](DWORD error) {
        DeleteFileW(temporary);
        return ESaveError(error);
    };
    {
        UniqueKernelHandle file(CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) throw failed(GetLastError());
        FileSink out(file.get());
        try {
            write(out);
        } catch (...) {
            file.reset();
            DeleteFileW(temporary);
            throw;
        }
        if (DWORD error = out.Flush()) throw failed(error);
        if (!FlushFileBuffers(file.get())) throw failed(GetLastError());
        if (!CloseHandle(file.release())) throw failed(GetLastError());
    }
    if (!MoveFileExW(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw failed(GetLastError());
}

void WriteFileAtomically(const std::wstring& path, const std::string& bytes) {
    WriteFileAtomically(path, [&bytes](TextSink& out) { out.Write(bytes); });
}

std::string ReadFileBytes(const std::wstring& path, std::size_t limit) {
    UniqueKernelHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw ESaveError(GetLastError());
    std::string bytes;
    char block[65536];
    DWORD got = 0;
    while (bytes.size() < limit) {
        DWORD wanted = DWORD(std::min<std::size_t>(sizeof block, limit - bytes.size()));
        if (!ReadFile(file.get(), block, wanted, &got, nullptr)) throw ESaveError(GetLastError());
        if (got == 0) break;
        bytes.append(block, got);
    }
    return bytes;
}
