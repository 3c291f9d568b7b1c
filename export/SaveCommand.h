#pragma once
// The save command: the file dialog "Sauvegarde données", then the chosen format.
#include <windows.h>
#include <string>

#include "acquisition/Acquisition.h"

// The dialog owned by `owner`: the chosen file's path, "" when cancelled.
std::wstring SaveDialogData(HWND owner);

// Writes the acquisition, whole or not at all: a Curvilab data file for a name ending in ".cv3"
// (any case), an ASCII table for any other. Throws ESaveError when the file cannot be written.
void SaveAcquisition(const std::wstring& path, const Acquisition& acquisition);
