#pragma once
// The keyboard hook's replacement of Ctrl+letter: the control codes 1..26 become the symbols of
// the program's font, so a name field receives them instead of a copy or paste command.

// The character a WM_CHAR carries after the hook: codes 1..26 with Ctrl down are replaced by the
// Ctrl or Ctrl+Shift column of the table; every other code is unchanged.
int ReplaceControlCharacter(int code, bool ctrlDown, bool shiftDown);
