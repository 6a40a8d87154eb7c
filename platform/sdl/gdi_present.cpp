// GDI picture calls over the display stand-in: memory device contexts with bitmaps,
// device contexts of surfaces, BitBlt, SetDIBitsToDevice, StretchDIBits (source y counted
// from the bottom) and GetDIBits. A window's device context draws into the window
// picture (window_presenter.cpp) and shows it; reading one reads the last picture.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

#include "platform/gdi.h"
#include "platform/sdl/window_internal.h"
#include "platform/video/display_internal.h"

struct BitmapObject {
    int width;
    int height;
    std::vector<std::uint8_t> pixels;  // 0x00RRGGBB words, width x 4 bytes per row
    HDC selected_into;
};

namespace {

constexpr int kPixelTargetDc = 3;
constexpr int kMemoryDc = 4;

struct DcRecord {
    display::PixelTarget* target;  // surface device context
    BitmapObject* bitmap;          // memory device context: the selected bitmap or null
};

std::mutex g_mutex;
std::unordered_map<HDC, DcRecord>& Records() {
    static std::unordered_map<HDC, DcRecord> records;
    return records;
}
std::unordered_map<BitmapObject*, bool>& Bitmaps() {
    static std::unordered_map<BitmapObject*, bool> bitmaps;
    return bitmaps;
}

// What a fresh memory device context holds: a shared 1 x 1 bitmap that is never deleted.
BitmapObject g_stock_bitmap{1, 1, std::vector<std::uint8_t>(4, 0), nullptr};

DcRecord* FindRecord(HDC dc) {
    auto found = Records().find(dc);
    return found != Records().end() ? &found->second : nullptr;
}

display::PixelView BitmapView(BitmapObject* bitmap) {
    display::PixelView view;
    view.pixels = bitmap->pixels.data();
    view.pitch = bitmap->width * 4;
    view.width = bitmap->width;
    view.height = bitmap->height;
    view.bytes_per_pixel = 4;
    view.red_mask = 0xFF0000;
    view.green_mask = 0x00FF00;
    view.blue_mask = 0x0000FF;
    return view;
}

// Where a device context draws: a window, or pixels in memory.
struct Destination {
    HWND window = nullptr;
    display::PixelView view;
    display::PixelTarget* target = nullptr;
    bool valid = false;
};

Destination Resolve(HDC dc) {
    Destination destination;
    if (dc == nullptr) return destination;
    if (DcRecord* record = FindRecord(dc)) {
        if (record->target != nullptr) {
            destination.valid = record->target->Pixels(&destination.view);
            destination.target = record->target;
        } else if (record->bitmap != nullptr) {
            destination.view = BitmapView(record->bitmap);
            destination.valid = true;
        }
        return destination;
    }
    if (dc->kind == 2 && sdl_window::FindWindowRecord(dc->window) != nullptr) {
        destination.window = dc->window;
        destination.valid = true;
    }
    return destination;
}

// A DIB as a pixel view with rows top to bottom (negative pitch for bottom-up files).
struct DibView {
    display::PixelView view;
    PALETTEENTRY palette[256];
    bool valid = false;
};

void DescribeDib(const BITMAPINFO* info, const void* bits, DibView* out) {
    out->valid = false;
    if (info == nullptr || bits == nullptr) return;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    const int bit_count = header.biBitCount;
    if (header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == INT32_MIN) return;
    if (bit_count != 8 && bit_count != 16 && bit_count != 24 && bit_count != 32) return;
    if (header.biCompression != BI_RGB && !(header.biCompression == BI_BITFIELDS && (bit_count == 16 || bit_count == 32))) {
        return;
    }
    const std::uint32_t stride = DibRowBytes(header.biWidth, static_cast<std::uint32_t>(bit_count));
    if (stride == 0) return;
    const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    display::PixelView& view = out->view;
    view.width = header.biWidth;
    view.height = height;
    view.bytes_per_pixel = bit_count / 8;
    auto* base = static_cast<std::uint8_t*>(const_cast<void*>(bits));
    if (header.biHeight < 0) {
        view.pixels = base;
        view.pitch = static_cast<int>(stride);
    } else {
        view.pixels = base + static_cast<std::ptrdiff_t>(height - 1) * stride;
        view.pitch = -static_cast<int>(stride);
    }
    if (header.biCompression == BI_BITFIELDS) {
        std::uint32_t masks[3];
        std::memcpy(masks, info->bmiColors, sizeof(masks));
        view.red_mask = masks[0];
        view.green_mask = masks[1];
        view.blue_mask = masks[2];
    } else if (bit_count == 16) {
        view.red_mask = 0x7C00;
        view.green_mask = 0x03E0;
        view.blue_mask = 0x001F;
    } else if (bit_count >= 24) {
        view.red_mask = 0xFF0000;
        view.green_mask = 0x00FF00;
        view.blue_mask = 0x0000FF;
    } else {
        const std::uint32_t count = header.biClrUsed != 0 && header.biClrUsed <= 256 ? header.biClrUsed : 256;
        std::memset(out->palette, 0, sizeof(out->palette));
        for (std::uint32_t i = 0; i < count; ++i) {
            out->palette[i] = PALETTEENTRY{info->bmiColors[i].rgbRed, info->bmiColors[i].rgbGreen,
                                           info->bmiColors[i].rgbBlue, 0};
        }
        view.palette = out->palette;
    }
    out->valid = true;
}

bool DrawTo(const Destination& destination, const RECT& destination_rect, const display::PixelView& source,
            const RECT& source_rect) {
    if (destination.window != nullptr) {
        if (!display::DrawIntoWindowPicture(destination.window, destination_rect, source, source_rect)) return false;
        display::ShowWindowPicture(destination.window);
        return true;
    }
    display::StretchCopy(destination.view, destination_rect, source, source_rect);
    if (destination.target != nullptr) destination.target->Changed(destination_rect);
    return true;
}

}  // namespace

namespace display {

HDC CreatePixelTargetDC(PixelTarget* target) {
    auto* dc = new (std::nothrow) DeviceContextObject{kPixelTargetDc, nullptr};
    if (dc == nullptr) return nullptr;
    std::lock_guard<std::mutex> lock(g_mutex);
    Records()[dc] = DcRecord{target, nullptr};
    return dc;
}

void DeletePixelTargetDC(HDC dc) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (Records().erase(dc) == 0) return;
    }
    delete dc;
}

}  // namespace display

HDC CreateCompatibleDC(HDC) {
    auto* dc = new (std::nothrow) DeviceContextObject{kMemoryDc, nullptr};
    if (dc == nullptr) return nullptr;
    std::lock_guard<std::mutex> lock(g_mutex);
    Records()[dc] = DcRecord{nullptr, &g_stock_bitmap};
    return dc;
}

BOOL DeleteDC(HDC dc) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        DcRecord* record = FindRecord(dc);
        if (record == nullptr || dc->kind != kMemoryDc) return FALSE;
        if (record->bitmap != nullptr && record->bitmap != &g_stock_bitmap) record->bitmap->selected_into = nullptr;
        Records().erase(dc);
    }
    delete dc;
    return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC, int width, int height) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return nullptr;
    auto* bitmap = new (std::nothrow) BitmapObject{width, height, {}, nullptr};
    if (bitmap == nullptr) return nullptr;
    bitmap->pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
    std::lock_guard<std::mutex> lock(g_mutex);
    Bitmaps()[bitmap] = true;
    return bitmap;
}

HBITMAP SelectObject(HDC dc, HBITMAP bitmap) {
    std::lock_guard<std::mutex> lock(g_mutex);
    DcRecord* record = FindRecord(dc);
    const bool stock = bitmap == &g_stock_bitmap;
    if (record == nullptr || dc->kind != kMemoryDc || bitmap == nullptr || (!stock && Bitmaps().count(bitmap) == 0)) {
        return nullptr;
    }
    if (!stock && bitmap->selected_into != nullptr && bitmap->selected_into != dc) return nullptr;
    BitmapObject* previous = record->bitmap;
    if (previous != nullptr && previous != &g_stock_bitmap) previous->selected_into = nullptr;
    record->bitmap = bitmap;
    if (!stock) bitmap->selected_into = dc;
    return previous;
}

BOOL DeleteObject(HBITMAP bitmap) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (bitmap == &g_stock_bitmap) return TRUE;
        if (bitmap == nullptr || Bitmaps().count(bitmap) == 0 || bitmap->selected_into != nullptr) return FALSE;
        Bitmaps().erase(bitmap);
    }
    delete bitmap;
    return TRUE;
}

BOOL GdiFlush() { return TRUE; }

BOOL BitBlt(HDC destination_dc, int x, int y, int width, int height, HDC source_dc, int source_x, int source_y,
            DWORD rop) {
    if (rop != SRCCOPY || width <= 0 || height <= 0) return FALSE;
    const Destination destination = Resolve(destination_dc);
    const Destination source = Resolve(source_dc);
    if (!destination.valid || !source.valid) return FALSE;
    const RECT destination_rect{x, y, x + width, y + height};
    if (source.window != nullptr) {
        // Read the window's picture into a scratch view first.
        std::vector<std::uint8_t> scratch(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
        display::PixelView view;
        view.pixels = scratch.data();
        view.pitch = width * 4;
        view.width = width;
        view.height = height;
        view.bytes_per_pixel = 4;
        view.red_mask = 0xFF0000;
        view.green_mask = 0x00FF00;
        view.blue_mask = 0x0000FF;
        if (!display::ReadWindowPicture(source.window, view, RECT{0, 0, width, height},
                                        RECT{source_x, source_y, source_x + width, source_y + height})) {
            return FALSE;
        }
        return DrawTo(destination, destination_rect, view, RECT{0, 0, width, height}) ? TRUE : FALSE;
    }
    return DrawTo(destination, destination_rect, source.view,
                  RECT{source_x, source_y, source_x + width, source_y + height})
               ? TRUE
               : FALSE;
}

int StretchDIBits(HDC dc, int x, int y, int width, int height, int source_x, int source_y, int source_width,
                  int source_height, const void* bits, const BITMAPINFO* info, UINT, DWORD rop) {
    if (rop != SRCCOPY || width == 0 || height == 0 || source_width == 0 || source_height == 0) return 0;
    const Destination destination = Resolve(dc);
    if (!destination.valid) return 0;
    DibView dib;
    DescribeDib(info, bits, &dib);
    if (!dib.valid) return 0;
    // Source rows are counted from the bottom of the image.
    const int image_height = dib.view.height;
    const int magnitude = source_height < 0 ? -source_height : source_height;
    const int top = image_height - source_y - magnitude;
    RECT source_rect{source_x, top, source_x + source_width, top + magnitude};
    if (source_height < 0) std::swap(source_rect.top, source_rect.bottom);
    if (source_width < 0) source_rect = RECT{source_x, source_rect.top, source_x + source_width, source_rect.bottom};
    const RECT destination_rect{x, y, x + width, y + height};
    if (!DrawTo(destination, destination_rect, dib.view, source_rect)) return 0;
    return magnitude;
}

int SetDIBitsToDevice(HDC dc, int x, int y, DWORD width, DWORD height, int source_x, int source_y, UINT start_scan,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT) {
    if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu || lines == 0) return 0;
    const Destination destination = Resolve(dc);
    if (!destination.valid) return 0;
    DibView dib;
    DescribeDib(info, bits, &dib);
    if (!dib.valid) return 0;
    // The bits hold scan lines start_scan .. start_scan + lines - 1 counted from the bottom;
    // a top-down image gives them from its top row.
    const int image_height = dib.view.height;
    if (start_scan >= static_cast<UINT>(image_height)) return 0;
    const int band = static_cast<int>(std::min<UINT>(lines, static_cast<UINT>(image_height) - start_scan));
    display::PixelView band_view = dib.view;
    band_view.height = band;
    if (info->bmiHeader.biHeight > 0) {
        const int stride = -dib.view.pitch;
        band_view.pixels = static_cast<std::uint8_t*>(const_cast<void*>(bits)) +
                           static_cast<std::ptrdiff_t>(band - 1) * stride;
    }
    // Source rectangle in image rows (top-down), then moved into the band.
    const int band_top = image_height - static_cast<int>(start_scan) - band;
    const int top = image_height - source_y - static_cast<int>(height);
    const RECT source_rect{source_x, top - band_top, source_x + static_cast<int>(width),
                           top - band_top + static_cast<int>(height)};
    const RECT destination_rect{x, y, x + static_cast<int>(width), y + static_cast<int>(height)};
    if (!DrawTo(destination, destination_rect, band_view, source_rect)) return 0;
    return band;
}

int GetDIBits(HDC, HBITMAP bitmap, UINT start_scan, UINT lines, void* bits, BITMAPINFO* info, UINT) {
    BitmapObject* source = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (bitmap == nullptr || Bitmaps().count(bitmap) == 0) return 0;
        source = bitmap;
    }
    if (info == nullptr) return 0;
    BITMAPINFOHEADER& header = info->bmiHeader;
    if (bits == nullptr) {
        header.biWidth = source->width;
        header.biHeight = source->height;
        header.biPlanes = 1;
        header.biBitCount = 32;
        header.biCompression = BI_RGB;
        header.biSizeImage = static_cast<DWORD>(source->width) * static_cast<DWORD>(source->height) * 4;
        return source->height;
    }
    if (start_scan >= static_cast<UINT>(source->height)) return 0;
    DibView out;
    DescribeDib(info, bits, &out);
    if (!out.valid || out.view.bytes_per_pixel < 2) return 0;
    const int count = static_cast<int>(std::min<UINT>(lines, static_cast<UINT>(source->height) - start_scan));
    const int width = std::min(out.view.width, source->width);
    const std::uint32_t stride = DibRowBytes(header.biWidth, header.biBitCount);
    display::PixelView from = BitmapView(source);
    for (int k = 0; k < count; ++k) {
        // Top-down requests count rows from the top, bottom-up ones scan lines from the bottom.
        const int row = header.biHeight < 0 ? static_cast<int>(start_scan) + k
                                            : source->height - 1 - (static_cast<int>(start_scan) + k);
        std::uint8_t* to = static_cast<std::uint8_t*>(bits) + static_cast<std::ptrdiff_t>(k) * stride;
        for (int i = 0; i < width; ++i) {
            const std::uint32_t rgb = display::ReadPixelRgb(from, i, row);
            display::WriteRaw(to + i * out.view.bytes_per_pixel, out.view.bytes_per_pixel,
                              display::PackPixelRgb(out.view, rgb));
        }
    }
    return count;
}
