// String drawing and measuring: the default-font and font-handle entries with the mask
// and software front-buffer steps around the 3-D or 2-D string path, and DrawStringCore,
// which walks a string through the glyph cache a chunk of codes at a time and writes each
// glyph into a MEMIMG, or draws it from the font's texture cache graph as a graph, across
// or top to bottom. Relies on the glyph cache, the glyph pixel kernels, the graphics
// core's draw settings and graph draws, and the 3-D renderer's text entry.
#include <algorithm>
#include <cstring>

#include "engine/core/core.h"
#include "engine/core/core_shell_hooks.h"
#include "engine/d3d/d3d.h"
#include "engine/font/font_internal.h"
#include "engine/font/glyph_pixels.h"
#include "engine/graphics/graphics.h"

namespace {

// The colour value scaled by the bright colour, in the screen format without its
// unused bits, and as 0xFFRRGGBB.
void ScaleByBright(std::uint32_t color, std::uint32_t* value, std::uint32_t* packed) {
    int red = 0, green = 0, blue = 0;
    SplitColorValue(color, &red, &green, &blue);
    const std::uint8_t* bright = GetDrawSettings()->bright;
    red = red * bright[2] / 255;
    green = green * bright[1] / 255;
    blue = blue * bright[0] / 255;
    *value = MakeColorValue(red, green, blue) & ~MakeColorValue(0, 0, 0);
    *packed = 0xFF000000u | static_cast<std::uint32_t>(red) << 16 | static_cast<std::uint32_t>(green) << 8 |
              static_cast<std::uint32_t>(blue);
}

int LayoutOf(const MEMIMG* target) {
    const MemImgPixelBlock* block = target->block;
    if (block->palette_flag) return kGlyphLayoutPalette8;
    if (block->kind == kMemImgRgb565) return block->alpha_flag ? kGlyphLayoutRgb565Alpha : kGlyphLayoutRgb565;
    if (block->kind == kMemImgXrgb8888) return kGlyphLayoutXrgb8888;
    return -1;
}

// Draws one cached glyph with its box's top-left glyph pixel placed by the pen.
void DrawGlyph(const FontHandleRecord& font, const GlyphCacheSlot& slot, MEMIMG* target, const RECT& clip, int x,
               int y, int pen, int vertical, GlyphKernel kernel, std::uint32_t color, std::uint32_t edge,
               int transparent) {
    const int bytes = MemImgBytesPerPixel(target);
    const int pitch = target->block->pitch;
    // Glyph pixel (c, r) goes to (ox + c * dxc + r * dxr, oy + c * dyc + r * dyr).
    long long ox, oy;
    int dxc, dxr, dyc, dyr;
    if (!vertical) {
        ox = static_cast<long long>(x) + pen + slot.origin_x;
        oy = static_cast<long long>(y) + slot.top_offset;
        dxc = 1, dxr = 0, dyc = 0, dyr = 1;
    } else {
        ox = static_cast<long long>(x) + font.text_height - slot.top_offset;
        oy = static_cast<long long>(y) + pen + slot.origin_x;
        dxc = 0, dxr = -1, dyc = 1, dyr = 0;
    }
    // Screen range the glyph may touch, inside the clip and the image.
    const long long left = std::max<long long>({clip.left, 0});
    const long long top = std::max<long long>({clip.top, 0});
    const long long right = std::min<long long>(clip.right, target->width);
    const long long bottom = std::min<long long>(clip.bottom, target->height);
    if (left >= right || top >= bottom) return;
    // Glyph columns and rows whose pixels land inside that range.
    long long c0 = 0, c1 = slot.width, r0 = 0, r1 = slot.height;
    if (!vertical) {
        c0 = std::max(c0, left - ox), c1 = std::min(c1, right - ox);
        r0 = std::max(r0, top - oy), r1 = std::min(r1, bottom - oy);
    } else {
        // column = ox - r, row = oy + c
        r0 = std::max(r0, ox - (right - 1)), r1 = std::min(r1, ox - left + 1);
        c0 = std::max(c0, top - oy), c1 = std::min(c1, bottom - oy);
    }
    if (c0 >= c1 || r0 >= r1) return;
    GlyphBlit blit{};
    blit.cell = font.cache_bitmap +
                static_cast<std::ptrdiff_t>(slot.cell_index % font.cells_per_column) * font.cell_size * font.cache_pitch;
    blit.cell_pitch = font.cache_pitch;
    blit.c0 = static_cast<int>(c0), blit.c1 = static_cast<int>(c1);
    blit.r0 = static_cast<int>(r0), blit.r1 = static_cast<int>(r1);
    blit.pixels = target->pixels;
    blit.origin = static_cast<std::ptrdiff_t>(oy) * pitch + static_cast<std::ptrdiff_t>(ox) * bytes;
    blit.step_c = static_cast<std::ptrdiff_t>(dyc) * pitch + static_cast<std::ptrdiff_t>(dxc) * bytes;
    blit.step_r = static_cast<std::ptrdiff_t>(dyr) * pitch + static_cast<std::ptrdiff_t>(dxr) * bytes;
    blit.color = color;
    blit.edge = edge;
    blit.transparent = transparent;
    kernel(blit);
}

// Draws one glyph of a texture-cache font from its cell of the cache graph (first the
// edge image in the edge colour, then the body in the text colour, both through the
// bright colour), across or turned a quarter clockwise for vertical text.
void DrawTextureGlyph(const FontHandleRecord& font, const GlyphCacheSlot& slot, int x, int y, int pen, int vertical,
                      std::uint32_t text_packed, std::uint32_t edge_packed, std::uint8_t scale_flag, double x_scale,
                      double y_scale) {
    DrawSettingsBlock* settings = GetDrawSettings();
    const int blend_graph = settings->blend_graph;
    const int blend_value = settings->blend_border_value;
    const int blend_range = settings->blend_border_range;
    SetBlendSourceGraph(-1, 0, 0);
    const std::uint32_t bright = static_cast<std::uint32_t>(settings->bright[2]) << 16 |
                                 static_cast<std::uint32_t>(settings->bright[1]) << 8 | settings->bright[0];
    const bool edged = (font.type & kFontTypeEdge) != 0 && font.edge_graph >= 0;
    const int cell = font.cell_size;
    const int source_x = slot.cell_index / font.cells_per_column * cell;
    const int source_y = slot.cell_index % font.cells_per_column * cell;
    if (!vertical) {
        const int left = x + pen + static_cast<int>(slot.origin_x * (scale_flag ? x_scale : 1.0));
        const int top = y + static_cast<int>(slot.top_offset * (scale_flag ? y_scale : 1.0));
        auto draw = [&](int graph) {
            if (!scale_flag) {
                DrawGraphSubRect(left, top, source_x, source_y, slot.width, slot.height, graph, 1, 0);
            } else {
                DrawGraphSubRectStretched(left, top, left + static_cast<int>(slot.width * x_scale),
                                          top + static_cast<int>(slot.height * y_scale), source_x, source_y,
                                          slot.width, slot.height, graph, 1);
            }
        };
        if (edged) {
            SetBrightColorPacked(edge_packed);
            draw(font.edge_graph);
        }
        SetBrightColorPacked(text_packed);
        draw(font.cache_graph);
    } else if (scale_flag) {
        // Scaled: the glyph's cell made a graph of its own and turned a quarter clockwise
        // onto its scaled box, the glyph's height across by the x scale and its width down
        // by the y scale; the glyph's top row lies along the box's right edge, which is the
        // unscaled one (one past column x0) scaled from x. Across, the image runs right to
        // left, so its texel centres land on pixel centres half a pixel to the right.
        const int box_right = x + static_cast<int>((font.text_height - slot.top_offset + 1) * x_scale);
        const int y0 = y + pen + static_cast<int>(slot.origin_x * y_scale);
        const float right = static_cast<float>(box_right) - 0.5f;
        const float left = static_cast<float>(box_right - static_cast<int>(slot.height * x_scale)) - 0.5f;
        const float top = static_cast<float>(y0) - 0.5f;
        const float bottom = static_cast<float>(y0 + static_cast<int>(slot.width * y_scale)) - 0.5f;
        auto draw = [&](int graph) {
            const int glyph = DeriveGraph(source_x, source_y, slot.width, slot.height, graph);
            if (glyph < 0) return;
            DrawGraphQuad(right, top, right, bottom, left, bottom, left, top, glyph, 1);
            DeleteGraphHandle(glyph, 0);
        };
        if (edged) {
            SetBrightColorPacked(edge_packed);
            draw(font.edge_graph);
        }
        SetBrightColorPacked(text_packed);
        draw(font.cache_graph);
    } else {
        const int x0 = x + font.text_height - slot.top_offset;
        const int y0 = y + pen + slot.origin_x;
        const RECT kept_area = settings->draw_area;
        RECT glyph_area{x0 - slot.height - 1, y0, x0 + 1, y0 + slot.width};
        ClipRectToRect(&glyph_area, &kept_area);
        SetDrawClipArea(glyph_area.left, glyph_area.top, glyph_area.right, glyph_area.bottom);
        int graph_width = 0;
        int graph_height = 0;
        ReadGraphSize(font.cache_graph, &graph_width, &graph_height);
        // The cache image turned a quarter clockwise so that the glyph's cell lands at
        // (x0, y0), its top row in column x0 as in the 2-D path: across, the image runs
        // right to left, so its edge lies half a pixel right of x0 where down it lies half a
        // pixel above y0. The narrowed draw area leaves only the glyph.
        auto draw = [&](int graph, int width) {
            const float left = static_cast<float>(x0 + source_y) + 0.5f;
            const float right = static_cast<float>(x0 + source_y - graph_height) + 0.5f;
            const float top = static_cast<float>(y0 - source_x) - 0.5f;
            const float bottom = static_cast<float>(y0 - source_x + width) - 0.5f;
            DrawGraphQuad(left, top, left, bottom, right, bottom, right, top, graph, 1);
        };
        if (edged) {
            SetBrightColorPacked(edge_packed);
            draw(font.edge_graph, graph_width / 2);
        }
        SetBrightColorPacked(text_packed);
        draw(font.cache_graph, graph_width);
        SetDrawClipArea(kept_area.left, kept_area.top, kept_area.right, kept_area.bottom);
    }
    SetBlendSourceGraph(blend_graph, blend_value, blend_range);
    SetBrightColorPacked(bright);
}

}  // namespace

int DrawStringCore(const StringDrawRequest& request) {
    const int draw = request.draw;
    const int x = request.x;
    const int y = request.y;
    std::uint8_t scale_flag = request.scale_flag;
    double x_scale = request.x_scale;
    double y_scale = request.y_scale;
    const char* const text = request.text;
    const std::uint32_t color = request.color;
    MEMIMG* const target = request.target;
    const RECT* const clip = request.clip;
    const int transparent = request.transparent;
    const int font = request.font;
    const std::uint32_t edge_color = request.edge_color;
    int length = request.length;
    const int vertical = request.vertical;
    SIZE* const out_size = request.out_size;
    if (IsGraphicsOff() || !IsFontGraphicsReady()) return -1;
    FontHandleRecord* record = GetFontRecord(font);
    if (record == nullptr) return -1;
    // Scaling applies to texture-cache fonts only; a memory cache draws at scale 1.
    if (!record->texture_cache || (draw == 1 && scale_flag == 0)) {
        scale_flag = 0;
        x_scale = 1.0;
        y_scale = 1.0;
    }
    const double advance_scale = vertical ? y_scale : x_scale;
    std::uint32_t text_value = 0, text_packed = 0, edge_value = 0, edge_packed = 0;
    ScaleByBright(color, &text_value, &text_packed);
    ScaleByBright(edge_color, &edge_value, &edge_packed);
    if (text == nullptr || text[0] == '\0') return 0;
    const int bytes = static_cast<int>(std::strlen(text));
    if (length < 0 || length > bytes) length = bytes;

    GlyphKernel kernel = nullptr;
    RECT clip_rect{0, 0, 0, 0};
    if (draw == 1 && target != nullptr && IsMemImgValid(target)) {
        const int layout = LayoutOf(target);
        kernel = layout >= 0 ? ChooseGlyphKernel(record->type, layout) : nullptr;
        clip_rect = clip != nullptr ? *clip : RECT{0, 0, target->width, target->height};
    }

    double pen = 0.0;
    GlyphCode codes[kGlyphCodeBuffer];
    int done = 0;
    while (done < length) {
        int count = 0, used = 0;
        CollectGlyphChunk(codes, text + done, font, length - done, &count, &used);
        if (used == 0) break;
        for (int i = 0; i < count; ++i) {
            const GlyphCode& code = codes[i];
            const FontCharMapEntry& entry = record->char_map[GlyphMapIndex(code)];
            const GlyphCacheSlot* slot = entry.cached ? entry.slot : nullptr;
            if (slot == nullptr) {
                slot = RenderGlyphsToCache(font, 1, &code);
                if (slot == nullptr) FatalErrorExit("テキストキャッシュの作成に失敗しました");
            }
            const bool blank = code.bytes[0] == 0x20 || (code.bytes[0] == 0x81 && code.bytes[1] == 0x40) ||
                               (slot->width == 0 && slot->height == 0);
            if (draw == 1 && record->texture_cache && !blank) {
                DrawTextureGlyph(*record, *slot, x, y, static_cast<int>(pen), vertical, text_packed, edge_packed,
                                 scale_flag, x_scale, y_scale);
            } else if (kernel != nullptr && !blank) {
                DrawGlyph(*record, *slot, target, clip_rect, x, y, static_cast<int>(pen), vertical, kernel,
                          text_value, edge_value, transparent);
            }
            pen += (slot->advance + record->spacing) * advance_scale;
        }
        done += used;
    }
    const int advance = static_cast<int>(pen);
    if (out_size != nullptr) {
        out_size->cx = vertical ? record->text_height : advance;
        out_size->cy = vertical ? advance : record->text_height;
    }
    return advance;
}

int MeasureStringWidth(const char* text, int length, int font, int vertical) {
    return DrawStringCore({.text = text, .font = font, .length = length, .vertical = vertical});
}

int DrawStringWithFontHandle(int x, int y, const char* text, std::uint32_t color, int font,
                             std::uint32_t edge_color, int vertical) {
    const DrawSettingsBlock* settings = GetDrawSettings();
    if (text == nullptr || text[0] == '\0' || settings->graphics_off || settings->empty_area) return 0;
    const FontHandleRecord* record = GetFontRecord(font);
    if (record == nullptr) return WriteLogText("フォントハンドル値が異常です\n");
    const int texture_cache = record->texture_cache;
    GetShellHooks()->wait_while_inactive();
    const bool masked = GetMaskScreenUse() != 0;
    const bool front_software = settings->draw_target == kDrawTargetFront && IsSoftwareRendering() != 0;
    const bool rect_needed = (settings->blend_mode == kBlendSubtract && texture_cache) || masked || front_software;
    RECT rect{0, 0, 0, 0};
    if (rect_needed) {
        const long long size = GetFontSize(font);
        if (!vertical) {
            rect = RECT{x, y, settings->draw_area.right, static_cast<LONG>(std::min<long long>(y + size + 3, 0x7FFFFFFF))};
        } else {
            rect = RECT{x, y, static_cast<LONG>(std::min<long long>(x + size + 3, 0x7FFFFFFF)), settings->draw_area.bottom};
        }
        if (rect.left >= settings->draw_area.right) return 0;
        if (masked) BeginMaskedDraw(rect.left, rect.top, rect.right, rect.bottom);
    }
    if (front_software && IsFrontImageStale()) ReadBackFrontImage();
    int result;
    if (texture_cache) {
        const bool subtract = settings->blend_mode == kBlendSubtract;
        if (subtract) SubtractBlendPrologue(&rect);
        result = DrawStringD3D(x, y, text, color, font, edge_color, vertical);
        if (subtract) SubtractBlendEpilogue(&rect);
    } else {
        result = DrawStringSoft(x, y, text, color, font, edge_color, vertical);
    }
    if (masked) EndMaskedDraw(rect.left, rect.top, rect.right, rect.bottom);
    if (front_software) FlushFrontImageRect(&rect);
    return result;
}

int DrawStringWithDefaultFont(int x, int y, const char* text, std::uint32_t color, std::uint32_t edge_color) {
    RefreshDefaultFont();
    return DrawStringWithFontHandle(x, y, text, color, GetDefaultFontHandle(), edge_color, 0);
}
