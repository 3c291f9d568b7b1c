#pragma once
// The tool bar's pictures, drawn for this program with plain GDI strokes (18 x 18 pixels at
// 96 dpi, scaled to the window's DPI).
#include <windows.h>

enum class Glyph { Save, Clipboard, Send, Graph, Read, Port, Instrument, Quit, About };

void DrawGlyph(HDC dc, const RECT& box, Glyph glyph, bool enabled, int dpi);
