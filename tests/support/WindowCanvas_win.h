#pragma once
// Drawing into memory for tests that look at the pixels.

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "ui/theme/GdiOwners_win.h"

namespace varnel::testing {

// A 32-bit top-down bitmap in a memory DC, standing in for the DC a control
// lends to its custom-draw handler, read back pixel by pixel.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height), dc_(::CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_.reset(::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        bits_ = static_cast<const std::uint32_t*>(bits);
        previous_ = ::SelectObject(dc_, bitmap_.get());
    }
    ~Canvas() {
        ::SelectObject(dc_, previous_);
        ::DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return dc_; }
    bool Valid() const { return bits_ != nullptr; }

    COLORREF At(int x, int y) const {
        ::GdiFlush();
        const std::uint32_t bgra = bits_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                                         static_cast<std::size_t>(x)];
        return RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF);
    }

    // Columns that hold a pixel other than the background, in the rows
    // between the top edge and the border line.
    struct Ink {
        int left = -1;
        int right = -1;  // inclusive
    };
    Ink InkColumns(COLORREF background, int rightLimit) const {
        Ink ink;
        for (int y = 1; y < height_ - 3; ++y) {
            for (int x = 0; x < rightLimit; ++x) {
                if (At(x, y) != background) {
                    ink.left = ink.left < 0 ? x : std::min(ink.left, x);
                    ink.right = std::max(ink.right, x);
                }
            }
        }
        return ink;
    }

private:
    int width_;
    int height_;
    HDC dc_;
    ui::UniqueBitmap bitmap_;
    const std::uint32_t* bits_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

}  // namespace varnel::testing
