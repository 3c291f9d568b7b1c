#include "ui/Picture.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <wincodec.h>
#include <wrl/client.h>

#include "common/Text1252.h"

using Microsoft::WRL::ComPtr;

namespace {

BITMAPINFOHEADER Header(int width, int height) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height; // positive: the bottom row first
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    header.biSizeImage = DWORD(width) * DWORD(height) * 4;
    return header;
}

constexpr const char* kNoEncoder = "Impossible de coder l'image en PNG";

void Check(HRESULT result) {
    if (FAILED(result)) throw std::runtime_error(kNoEncoder);
}

// COM for the calling thread while it lives, when the thread had none.
class ComScope {
public:
    ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope() {
        if (initialised_) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool initialised_;
};

} // namespace

Picture::Picture(int width, int height) : width_(std::max(width, 1)), height_(std::max(height, 1)) {
    BITMAPINFO info{};
    info.bmiHeader = Header(width_, height_);
    dc_.reset(CreateCompatibleDC(nullptr));
    bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
    if (!dc_ || !bitmap_) throw std::runtime_error(Cp1252("Pas assez de mémoire pour l'image"));
    previous_ = SelectObject(dc_.get(), bitmap_.get());
    std::memset(bits_, 0xFF, std::size_t(width_) * std::size_t(height_) * 4);
}

Picture::~Picture() { SelectObject(dc_.get(), previous_); }

std::string Picture::DibBytes() const {
    GdiFlush();
    BITMAPINFOHEADER header = Header(width_, height_);
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    bytes.append(static_cast<const char*>(bits_), header.biSizeImage);
    return bytes;
}

std::string Picture::PngBytes() const {
    GdiFlush();
    ComScope com;
    ComPtr<IWICImagingFactory> factory;
    Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                           IID_PPV_ARGS(&factory)));
    // The codecs take the top row first.
    const UINT stride = UINT(width_) * 4;
    std::string rows(std::size_t(stride) * std::size_t(height_), '\0');
    for (int y = 0; y < height_; ++y)
        std::memcpy(rows.data() + std::size_t(y) * stride,
                    static_cast<const char*>(bits_) + std::size_t(height_ - 1 - y) * stride,
                    stride);
    ComPtr<IWICBitmap> source;
    Check(factory->CreateBitmapFromMemory(UINT(width_), UINT(height_), GUID_WICPixelFormat32bppBGR,
                                          stride, UINT(rows.size()),
                                          reinterpret_cast<BYTE*>(rows.data()), &source));
    ComPtr<IStream> stream;
    Check(CreateStreamOnHGlobal(nullptr, TRUE, &stream));
    ComPtr<IWICBitmapEncoder> encoder;
    Check(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder));
    Check(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache));
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    Check(encoder->CreateNewFrame(&frame, &options));
    Check(frame->Initialize(options.Get()));
    Check(frame->SetSize(UINT(width_), UINT(height_)));
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    Check(frame->SetPixelFormat(&format));
    // The encoder may want other pixels than the bitmap's.
    ComPtr<IWICBitmapSource> converted;
    Check(WICConvertBitmapSource(format, source.Get(), &converted));
    Check(frame->WriteSource(converted.Get(), nullptr));
    Check(frame->Commit());
    Check(encoder->Commit());

    STATSTG status{};
    Check(stream->Stat(&status, STATFLAG_NONAME));
    HGLOBAL memory = nullptr; // the stream's own
    Check(GetHGlobalFromStream(stream.Get(), &memory));
    GlobalLockGuard locked(memory);
    if (!locked.Data()) throw std::runtime_error(kNoEncoder);
    return std::string(static_cast<const char*>(locked.Data()),
                       std::size_t(status.cbSize.QuadPart));
}
