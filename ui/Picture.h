#pragma once
// A picture drawn off the screen with GDI: shown on the screen in one copy (no flicker), handed
// on as a device-independent bitmap, or encoded as PNG by the system's imaging codecs.
#include <windows.h>
#include <string>

#include "ui/Handles.h"

class Picture {
public:
    // A white picture of `width` x `height` pixels (at least 1 x 1), 32 bits a pixel. Throws
    // std::runtime_error when the system cannot make it.
    Picture(int width, int height);
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    HDC Dc() const { return dc_.get(); }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // The picture as CF_DIB holds it: a BITMAPINFOHEADER and the pixel rows, bottom row first.
    std::string DibBytes() const;
    // The picture as a PNG file's bytes. Throws std::runtime_error when no encoder can be had.
    std::string PngBytes() const;

private:
    int width_, height_;
    UniqueMemoryDc dc_;
    void* bits_ = nullptr; // bottom row first, 4 bytes a pixel
    UniqueGdiObject bitmap_;
    HGDIOBJ previous_ = nullptr; // the DC's own bitmap, put back before the DC goes
};
