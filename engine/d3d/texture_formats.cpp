// Texture-format slots: the device's offered pixel formats sorted into nine slots (plain,
// alpha channel, alpha test, each at 16 and 32 bits, and three drawable slots), the copy
// rules that fill empty slots, and the slot a graph's creation bytes choose. Relies on the
// graphics core for the screen's colour format and pixel formats as colour formats.
#include "engine/d3d/d3d_state.h"

namespace {

void TakeFormat(int slot, const DDPIXELFORMAT* pixel_format, const ColorFormat& color_format) {
    TextureFormatSlot& target = D3DState().slots[slot];
    target.pixel_format = *pixel_format;
    target.color_format = color_format;
}

bool SlotEmpty(int slot) { return D3DState().slots[slot].color_format.bit_depth == 0; }

}  // namespace

HRESULT EnumTextureFormatCallback(DDPIXELFORMAT* format, void* found) {
    if ((format->dwFlags & (DDPF_LUMINANCE | DDPF_BUMPLUMINANCE | DDPF_BUMPDUDV)) != 0 || format->dwFourCC != 0 ||
        (format->dwFlags & DDPF_ALPHA) != 0) {
        return D3DENUMRET_OK;
    }
    ColorFormat color_format{};
    GraphicsCore().PixelFormatToColorFormat(format, &color_format);
    if (color_format.alpha_width != 0) {
        switch (format->dwRGBAlphaBitMask) {
            case 0xF000u: TakeFormat(2, format, color_format); break;
            case 0xFF000000u:
                TakeFormat(3, format, color_format);
                TakeFormat(5, format, color_format);
                break;
            case 0x8000u: TakeFormat(4, format, color_format); break;
            default: break;
        }
        return D3DENUMRET_OK;
    }
    const int slot = color_format.bit_depth == 16 ? 0 : color_format.bit_depth == 32 ? 1 : -1;
    if (slot < 0) return D3DENUMRET_OK;
    if (SlotEmpty(slot) || IsSameColorFormat(&color_format, GraphicsCore().GetScreenColorFormat())) {
        TakeFormat(slot, format, color_format);
        if (slot == 0 && found != nullptr) *static_cast<int*>(found) = 1;
    }
    return D3DENUMRET_OK;
}

void FillEmptyTextureFormatSlots() {
    // Each copy only into an empty slot, in this order, so an earlier copy feeds a later one.
    constexpr int kCopies[][2] = {{1, 0}, {3, 2}, {4, 2}, {5, 3}, {6, 0}, {7, 1}, {8, 3}};
    TextureFormatSlot* slots = D3DState().slots;
    for (const auto& copy : kCopies) {
        if (SlotEmpty(copy[0])) slots[copy[0]] = slots[copy[1]];
    }
}

const ColorFormat* GetTextureColorFormatForFlags(const std::uint8_t* creation_bytes) {
    return &D3DState().slots[GraphicsCore().GetTextureFormatIndex(creation_bytes)].color_format;
}

const ColorFormat* GetTextureColorFormat(int alpha_channel, int alpha_test, int bits32, int drawable) {
    std::uint8_t bytes[9] = {};
    bytes[1] = static_cast<std::uint8_t>(alpha_channel);
    bytes[2] = static_cast<std::uint8_t>(drawable);
    bytes[5] = static_cast<std::uint8_t>(alpha_test);
    bytes[6] = bits32 ? 32 : 16;
    return GetTextureColorFormatForFlags(bytes);
}

const DDPIXELFORMAT* GetTextureFormatPixelFormat(int slot) { return &D3DState().slots[slot].pixel_format; }
const ColorFormat* GetTextureFormatColorFormat(int slot) { return &D3DState().slots[slot].color_format; }
