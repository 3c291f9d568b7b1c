#pragma once
// Writing a file so that a failure never costs the user a good file that was there before.
#include <functional>
#include <stdexcept>
#include <string>

#include "export/TextSink.h"

// A save that failed, with the French text of its system error.
class ESaveError : public std::runtime_error {
public:
    explicit ESaveError(unsigned long systemError);
    int IoCode; // the I/O error number the text names
};

// The text for an I/O error number: "Fichier introuvable" (2), "Nom de fichier incorrect" (3),
// "Trop de fichiers ouverts" (4), "Accès au fichier refusé" (5), "Disque plein" (101), else
// "Erreur E/S n".
std::string SaveErrorText(int ioCode);

// Writes what `write` gives, as it gives it, to a temporary file beside `path` and puts it in place
// only once complete. On failure the temporary file is removed, any file already at `path` is
// left as it was, and ESaveError is thrown (or what `write` threw).
void WriteFileAtomically(const std::wstring& path, const std::function<void(TextSink&)>& write);
void WriteFileAtomically(const std::wstring& path, const std::string& bytes);

// At most `limit` bytes of a file, from its start. Throws ESaveError, whose texts also name what
// stops a read ("Fichier introuvable", "Accès au fichier refusé"), when it cannot be read.
std::string ReadFileBytes(const std::wstring& path, std::size_t limit);
