// The draw settings every drawing path reads: the draw target and its area, blend mode,
// value and graph, bright colour, the settings of new graphs and the 3-D matrices. The
// graphics core owns the one live block; the renderers are handed a record of it per draw.
#pragma once

#include <cstdint>

#include "platform/window.h"

using GraphRestoreCallback = void (*)();

constexpr int kDrawTargetFront = -4;
constexpr int kDrawTargetBack = -2;

// Creation settings of new graphs (read by the graph manager at creation).
struct NewGraphSettings {
    std::int32_t bit_depth;  // 0 = the screen's
    std::int32_t texture_graphs;
    std::int32_t drawable;
    std::int32_t drawable_alpha;
    std::int32_t blend_value_as_alpha;
    std::int32_t alpha_channel;
    std::int32_t alpha_test;
    std::int32_t system_memory;
    std::int32_t mode_word;
    std::int32_t unmanaged_texture;  // the option word
    std::int32_t key_from_top_left;
    std::int32_t video_memory_graphs;  // off in GDI output
};

struct DrawSettingsBlock {
    GraphRestoreCallback restore_callback;
    std::int32_t draw_target;
    std::uint32_t target_in_video_memory;  // the 2-D target word
    RECT target_screen_rect;
    RECT draw_area;
    float draw_area_float[4];
    std::int32_t target_width;
    std::int32_t target_height;
    std::int32_t depth_test;
    std::int32_t depth_write;
    std::int32_t depth_compare;
    std::int32_t depth_word;
    std::int32_t render_word;
    std::int32_t texture_address_mode;
    std::int32_t second_render_word;
    float vertex_z;
    std::int32_t filter_mode;
    std::int32_t blend_mode;
    std::int32_t blend_value;
    std::int32_t blend_graph;
    std::int32_t blend_border_value;
    std::int32_t blend_border_range;
    std::uint8_t bright[4];  // blue, green, red, 0
    NewGraphSettings new_graph;
    std::int32_t outline_switch;
    std::int32_t no_vsync;
    std::int32_t half_size_mode;  // the 320x240 presentation; nothing sets it
    std::uint32_t transparent_color;
    std::int32_t image_writer_switch;
    std::int32_t alpha_bleed;
    std::int32_t graphics_off;
    std::int32_t empty_area;
    std::uint32_t flip_count_low;
    std::uint32_t flip_count_high;
    float world[16];
    float view[16];
    float projection[16];
    float screen[16];
    float combined[16];
    float view_rotation[16];
    std::int32_t default_light;
    std::int32_t mask_screen_use;
    std::int32_t mask_screen_active;
    std::int32_t requested_area[4];  // the area as last asked for, before clamping
};
