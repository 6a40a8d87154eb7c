// GDI picture calls over the display stand-in: memory device contexts with bitmaps and
// DIB sections, device contexts of surfaces, BitBlt, SetDIBitsToDevice, StretchDIBits
// (source y counted from the bottom) and GetDIBits. A window's device context draws into
// the window picture (window_presenter.cpp) and shows it; reading one reads the last picture.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

#include "platform/gdi.h"
#include "platform/freetype/device_context_fonts.h"
#include "platform/gdi_hooks.h"
#include "platform/sdl/window_internal.h"
#include "platform/video/display_internal.h"

struct BitmapObject {
    int width;
    int height;
    // A compatible bitmap: 0x00RRGGBB words, width x 4 bytes per row, top row first.
    // A DIB section: its rows as the DIB lays them out, `stride` bytes apart.
    std::vector<std::uint8_t> pixels;
    HDC selected_into;
    // DIB sections only (bytes_per_pixel 0 for a compatible bitmap).
    int bytes_per_pixel = 0;
    int stride = 0;
    bool bottom_up = false;
    std::uint32_t red_mask = 0;
    std::uint32_t green_mask = 0;
    std::uint32_t blue_mask = 0;
    PALETTEENTRY palette[256] = {};
};

namespace {

constexpr int kPixelTargetDc = 3;
constexpr int kMemoryDc = 4;
// The largest pixel block of one DIB section.
constexpr std::uint64_t kMaxSectionBytes = 1ull << 30;

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

// CreateDIBSection calls still to refuse (test hook).
int g_failing_sections = 0;

// What a fresh memory device context holds: a shared 1 x 1 bitmap that is never deleted.
BitmapObject g_stock_bitmap{1, 1, std::vector<std::uint8_t>(4, 0), nullptr};

DcRecord* FindRecord(HDC dc) {
    auto found = Records().find(dc);
    return found != Records().end() ? &found->second : nullptr;
}

display::PixelView BitmapView(BitmapObject* bitmap) {
    display::PixelView view;
    if (bitmap->bytes_per_pixel != 0) {
        // A DIB section: rows top to bottom, upward in memory when the DIB is bottom-up.
        view.width = bitmap->width;
        view.height = bitmap->height;
        view.bytes_per_pixel = bitmap->bytes_per_pixel;
        view.pixels = bitmap->pixels.data();
        view.pitch = bitmap->stride;
        if (bitmap->bottom_up) {
            view.pixels += static_cast<std::ptrdiff_t>(bitmap->height - 1) * bitmap->stride;
            view.pitch = -bitmap->stride;
        }
        view.red_mask = bitmap->red_mask;
        view.green_mask = bitmap->green_mask;
        view.blue_mask = bitmap->blue_mask;
        if (bitmap->bytes_per_pixel == 1) view.palette = bitmap->palette;
        return view;
    }
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

// The three masks of a bit-field DIB: each set, inside the pixel and apart from the others.
bool ValidMasks(const std::uint32_t masks[3], int bit_count) {
    const std::uint32_t room = bit_count >= 32 ? 0xFFFFFFFFu : (1u << bit_count) - 1u;
    for (int i = 0; i < 3; ++i) {
        if (masks[i] == 0 || (masks[i] & ~room) != 0) return false;
        if ((masks[i] & masks[(i + 1) % 3]) != 0) return false;
    }
    return true;
}

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
    freetype_font::ForgetDeviceContext(dc);
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

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD) {
    if (bits != nullptr) *bits = nullptr;
    if (info == nullptr || bits == nullptr || usage != DIB_RGB_COLORS || section != nullptr) return nullptr;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_failing_sections > 0) {
            --g_failing_sections;
            return nullptr;
        }
    }
    const BITMAPINFOHEADER& header = info->bmiHeader;
    const int bit_count = header.biBitCount;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1) return nullptr;
    if (header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == INT32_MIN) return nullptr;
    if (bit_count != 8 && bit_count != 16 && bit_count != 24 && bit_count != 32) return nullptr;
    const bool bit_fields = header.biCompression == BI_BITFIELDS;
    if (header.biCompression != BI_RGB && !(bit_fields && (bit_count == 16 || bit_count == 32))) return nullptr;
    std::uint32_t masks[3] = {0, 0, 0};
    if (bit_fields) {
        std::memcpy(masks, info->bmiColors, sizeof(masks));
        if (!ValidMasks(masks, bit_count)) return nullptr;
    } else if (bit_count == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    } else if (bit_count >= 24) {
        masks[0] = 0xFF0000;
        masks[1] = 0x00FF00;
        masks[2] = 0x0000FF;
    }
    if (bit_count == 8 && header.biClrUsed > 256) return nullptr;
    const std::uint32_t stride = DibRowBytes(header.biWidth, static_cast<std::uint32_t>(bit_count));
    const std::int64_t height = header.biHeight < 0 ? -static_cast<std::int64_t>(header.biHeight) : header.biHeight;
    const std::uint64_t bytes = static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(height);
    if (stride == 0 || stride > 0x7FFFFFFFu || bytes > kMaxSectionBytes) return nullptr;

    auto* bitmap = new (std::nothrow) BitmapObject{header.biWidth, static_cast<int>(height), {}, nullptr};
    if (bitmap == nullptr) return nullptr;
    try {
        bitmap->pixels.assign(static_cast<std::size_t>(bytes), 0);
    } catch (const std::bad_alloc&) {
        delete bitmap;
        return nullptr;
    }
    bitmap->bytes_per_pixel = bit_count / 8;
    bitmap->stride = static_cast<int>(stride);
    bitmap->bottom_up = header.biHeight > 0;
    bitmap->red_mask = masks[0];
    bitmap->green_mask = masks[1];
    bitmap->blue_mask = masks[2];
    if (bit_count == 8) {
        const std::uint32_t count = header.biClrUsed != 0 ? header.biClrUsed : 256;
        for (std::uint32_t i = 0; i < count; ++i) {
            bitmap->palette[i] = PALETTEENTRY{info->bmiColors[i].rgbRed, info->bmiColors[i].rgbGreen,
                                              info->bmiColors[i].rgbBlue, 0};
        }
    }
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        Bitmaps()[bitmap] = true;
    }
    *bits = bitmap->pixels.data();
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

int GetObjectA(HBITMAP bitmap, int size, void* buffer) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (bitmap == nullptr || (bitmap != &g_stock_bitmap && Bitmaps().count(bitmap) == 0)) return 0;
    if (buffer == nullptr) return static_cast<int>(sizeof(BITMAP));
    if (size < static_cast<int>(sizeof(BITMAP))) return 0;
    BITMAP out{};
    out.bmWidth = bitmap->width;
    out.bmHeight = bitmap->height;
    out.bmPlanes = 1;
    if (bitmap->bytes_per_pixel != 0) {
        const int bits_per_pixel = bitmap->bytes_per_pixel * 8;
        out.bmBitsPixel = static_cast<WORD>(bits_per_pixel);
        out.bmWidthBytes = static_cast<LONG>((static_cast<std::int64_t>(bitmap->width) * bits_per_pixel + 15) / 16 * 2);
        out.bmBits = bitmap->pixels.data();
    } else {
        out.bmBitsPixel = 32;
        out.bmWidthBytes = bitmap->width * 4;
    }
    std::memcpy(buffer, &out, sizeof(out));
    return static_cast<int>(sizeof(BITMAP));
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
    if (width == INT32_MIN || height == INT32_MIN || source_width == INT32_MIN || source_height == INT32_MIN) return 0;
    const Destination destination = Resolve(dc);
    if (!destination.valid) return 0;
    DibView dib;
    DescribeDib(info, bits, &dib);
    if (!dib.valid) return 0;
    // A negative extent runs from its origin pixel (included) towards smaller
    // coordinates; StretchCopy walks such a span from right - 1 (or bottom - 1) down.
    // Source rows are counted from the bottom of the image: a positive height covers
    // rows source_y .. source_y + height - 1 from the bottom, drawn top row first; a
    // negative one rows source_y - |height| + 1 .. source_y, drawn bottom row first.
    const std::int64_t image_height = dib.view.height;
    std::int64_t edges[8];
    if (source_height > 0) {
        edges[1] = image_height - source_y - source_height;
        edges[3] = image_height - source_y;
    } else {
        edges[1] = image_height - source_y - source_height - 1;
        edges[3] = image_height - source_y - 1;
    }
    edges[0] = source_width > 0 ? source_x : static_cast<std::int64_t>(source_x) + 1;
    edges[2] = edges[0] + source_width;
    edges[4] = width > 0 ? x : static_cast<std::int64_t>(x) + 1;
    edges[6] = edges[4] + width;
    edges[5] = height > 0 ? y : static_cast<std::int64_t>(y) + 1;
    edges[7] = edges[5] + height;
    for (const std::int64_t value : edges) {
        if (value < INT32_MIN || value > INT32_MAX) return 0;
    }
    const auto edge = [&edges](int i) { return static_cast<LONG>(edges[i]); };
    const RECT source_rect{edge(0), edge(1), edge(2), edge(3)};
    const RECT destination_rect{edge(4), edge(5), edge(6), edge(7)};
    const int magnitude = source_height < 0 ? -source_height : source_height;
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

namespace platform_hooks {

int LiveBitmapCount() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return static_cast<int>(Bitmaps().size());
}

void FailNextDIBSections(int count) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_failing_sections = count > 0 ? count : 0;
}

}  // namespace platform_hooks
