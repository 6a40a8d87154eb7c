// The GDI picture calls of the platform layer: memory device contexts and bitmaps,
// BitBlt between device contexts (a window's device context reads back the last picture
// shown in it), device-independent bitmaps drawn into a device context and read out of a
// bitmap. Window device contexts come from GetDC (platform/window.h); surface device
// contexts from IDirectDrawSurface7::GetDC (platform/ddraw.h).
#pragma once

#include "platform/dib_convert.h"
#include "platform/window.h"

constexpr DWORD SRCCOPY = 0x00CC0020u;

struct BitmapObject;
using HBITMAP = BitmapObject*;

// A memory device context; it draws into the bitmap selected into it (none at first).
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
// A bitmap in the device context's format (32 bits per pixel for windows and the screen).
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// A bitmap whose pixels are laid out as `info` describes (8 bits with its colour table,
// 16 or 32 bits BI_RGB or BI_BITFIELDS with the three masks, 24 bits BI_RGB; top-down
// when the height is negative, rows DibRowBytes apart), zero-filled. `*bits` receives
// the address of the first row in memory; it stays valid until DeleteObject. Only
// DIB_RGB_COLORS and no file mapping (`section` null). Null, with `*bits` null, when
// the header asks for anything else or memory ran out.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);
// Selects a bitmap into a memory device context; returns the one selected before, or
// null on failure. A bitmap is selected into one device context at a time.
HBITMAP SelectObject(HDC dc, HBITMAP bitmap);
// FALSE while the bitmap is selected into a device context.
BOOL DeleteObject(HBITMAP bitmap);

// What GetObjectA tells of a bitmap. For a DIB section bmBits is its first row in memory
// (the bottom row of a bottom-up section) and bmWidthBytes is the row length rounded up
// to an even number of bytes, as GDI describes bitmaps: the section's rows themselves
// lie DibRowBytes apart (a multiple of 4). A compatible bitmap has no bits to hand out.
struct BITMAP {
    LONG bmType;  // 0
    LONG bmWidth;
    LONG bmHeight;  // always positive
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    void* bmBits;
};
// Fills `buffer` (at least sizeof(BITMAP) bytes) for a live bitmap and returns the bytes
// written; with a null buffer returns sizeof(BITMAP); 0 for anything else.
int GetObjectA(HBITMAP bitmap, int size, void* buffer);

// Copies (source_x, source_y, width, height) of the source to (x, y) of the destination,
// cut to both; only SRCCOPY. A window's device context reads from and draws into the
// picture of its client area; drawing into a window shows the picture.
BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int source_x, int source_y,
            DWORD rop);
// Nothing is batched here; always TRUE.
BOOL GdiFlush();

// Draws a DIB (8, 16, 24 or 32 bits; BI_RGB or BI_BITFIELDS; top-down when the height is
// negative) unscaled. Source y counts from the bottom row of the image, as the scan lines
// do: rows start_scan .. start_scan + lines - 1 (from the bottom) are given in `bits`.
// Rows are DibRowBytes(width, bits) apart. Returns the lines drawn, 0 on failure.
int SetDIBitsToDevice(HDC dc, int x, int y, DWORD width, DWORD height, int source_x, int source_y, UINT start_scan,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);
// Draws (source_x, source_y, source_width, source_height) of a DIB into (x, y, width,
// height), nearest-neighbour; a negative size mirrors: the area then runs from its
// origin pixel (included) towards smaller coordinates, so (width - 1, -width) covers
// every column of a row in reverse. Source y counts from the bottom row of the image
// even for a top-down DIB. Returns the lines copied, 0 on failure.
int StretchDIBits(HDC dc, int x, int y, int width, int height, int source_x, int source_y, int source_width,
                  int source_height, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
// Reads rows start_scan .. start_scan + lines - 1 of the bitmap (counted from the top for
// a top-down request, negative height) into `bits` in the layout `info` describes (16 or
// 32 bits, BI_RGB or BI_BITFIELDS). Returns the lines read, 0 on failure.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start_scan, UINT lines, void* bits, BITMAPINFO* info, UINT usage);
