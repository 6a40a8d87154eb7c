// The records behind a graph that both the graphics core and the 3-D renderer read: the
// graph record with its creation bytes, the decoded picture (GraphImage), the source of a
// picture transfer, the SurfaceData holder of a piece's pixels and the 2-D surface piece.
// The graphics core keeps their tables; the records themselves sit below both renderers.
#pragma once

#include <cstdint>

#include "engine/pixels/pixels.h"
#include "platform/ddraw.h"
#include "platform/gdi.h"

constexpr int kGraphTableSlots = 32768;
constexpr int kGraphPieceSlots = 64;
constexpr int kGraphFileNameBytes = 64;
constexpr int kGraphDirectoryBytes = 256;

// The nine creation bytes, in order; a SurfaceData copies them.
struct GraphCreationBytes {
    std::uint8_t texture;
    std::uint8_t alpha_channel;
    std::uint8_t drawable;
    std::uint8_t system_memory;
    std::uint8_t unmanaged_texture;
    std::uint8_t alpha_test;
    std::uint8_t bit_depth;
    std::uint8_t mode_byte;
    std::uint8_t palette;
};
static_assert(sizeof(GraphCreationBytes) == 9);

struct GraphRecord {
    std::uint32_t check;
    std::int32_t* lost_flag;
    std::int32_t handle;
    GraphCreationBytes creation;
    std::uint32_t load_option;
    std::uint32_t mode_word;
    std::int32_t pieces[kGraphPieceSlots];
    std::int32_t piece_count;
    char file_name[kGraphFileNameBytes];
    char directory[kGraphDirectoryBytes];
    std::int32_t origin_x;
    std::int32_t origin_y;
    std::int32_t width;
    std::int32_t height;
    std::int32_t movie;
    std::int32_t reload;
    void* owned_buffer;
};

struct GraphImage {
    ColorFormat format;
    std::int32_t width;
    std::int32_t height;  // rows run top to bottom from `pixels`
    std::int32_t pitch;   // bytes from one row to the next
    void* pixels;         // tracked block of pitch x height bytes owned by the record, or null
};

// The largest pixel block any image maker or reader allocates.
constexpr std::uint64_t kGraphImageMaxBytes = 256ull * 1024 * 1024;

// Where the pixels of a transfer come from: two DIB-section bitmaps laid out as
// `bitmap_format` says (from_bitmap 1), or a colour GraphImage with an optional alpha
// GraphImage of at least its size. `alpha_from_red` hands the converted red channel to
// the alpha of a DirectDraw image (the mode word of a graph written whole).
struct ImageSource {
    const ColorFormat* bitmap_format;
    HBITMAP color_bitmap;
    HBITMAP alpha_bitmap;  // or null
    std::int32_t from_bitmap;
    const GraphImage* image;
    const GraphImage* alpha_image;  // or null
    std::int32_t alpha_from_red;
};

// A source of a GraphImage and its alpha image (or null).
inline ImageSource ImageSourceOf(const GraphImage* image, const GraphImage* alpha_image) {
    return ImageSource{nullptr, nullptr, nullptr, 0, image, alpha_image, 0};
}

constexpr int kSurfaceDataSlots = 65536;

struct SurfaceData {
    std::uint32_t check;
    std::int32_t* lost_flag;
    GraphCreationBytes creation;
    std::int32_t software;
    std::int32_t format_index;
    std::int32_t z_buffer;
    IDirectDrawSurface7* surface;
    MEMIMG color_image;
    IDirectDrawSurface7* attached_surface;
    MEMIMG z_image;
    std::uint32_t transparent_color;  // 0x00RRGGBB
    std::uint16_t width;
    std::uint16_t height;
    std::int32_t reference_count;
    std::int32_t locked_pitch;
    std::uint8_t* locked_pointer;
    std::int32_t lock_count;
};

constexpr int kSurface2DSlots = 32768;

struct Surface2D {
    std::uint32_t check;
    std::int32_t* lost_flag;
    std::uint16_t x;
    std::uint16_t y;
    std::uint16_t source_x;
    std::uint16_t source_y;
    std::uint16_t width;
    std::uint16_t height;
    std::int32_t owner_graph;
    std::int32_t surface_data;
};
