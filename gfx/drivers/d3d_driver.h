#pragma once
// The Direct3D display driver: the second driver, on the Direct3D-shaped layer (platform/d3d_layer.h).
// It chooses adapter, device kind and mode (gfx/drivers/d3d_enum.h), opens its window and device,
// recovers a lost device before each frame, keeps the device's state behind cached setters, streams
// every vertex through three dynamic buffers, uploads textures through staging surfaces and D3DX,
// draws the 2D overlay and reads the front buffer back. It draws what the OpenGL driver draws.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "gfx/drivers/d3d_enum.h"
#include "gfx/drivers/gfx_driver.h"
#include "platform/d3d_layer.h"
#include "util/mat4.h"

namespace kv {

struct sys_event;

// Modes of the cached state setters (the OpenGL driver's numbers).
inline constexpr int32_t kD3dBlendOff = 0;
inline constexpr int32_t kD3dBlendOpaque = 2;
inline constexpr int32_t kD3dBlendAlpha = 3;
inline constexpr int32_t kD3dBlendAlphaTest = 4;
inline constexpr int32_t kD3dBlendMultiply = 5;
inline constexpr int32_t kD3dBlendAdd = 6;
inline constexpr int32_t kD3dCullOff = 0;
inline constexpr int32_t kD3dCullFront = 7;
inline constexpr int32_t kD3dCullBack = 8;
inline constexpr int32_t kD3dCombineRequested = -1;
inline constexpr int32_t kD3dCombineOff = 0;
inline constexpr int32_t kD3dCombineTexture = 9;
inline constexpr int32_t kD3dCombineModulate = 10;
inline constexpr int32_t kD3dCombineTwoStages = 11;
inline constexpr int32_t kD3dCombineDiffuse = 13;
inline constexpr int32_t kD3dShadeFlatKind = 0;
inline constexpr int32_t kD3dShadeSmoothKind = 1;
inline constexpr int32_t kD3dShadeConstantKind = 14;
inline constexpr int32_t kD3dAddressWrapKind = 15;
inline constexpr int32_t kD3dAddressClampKind = 16;
inline constexpr int32_t kD3dStages = 4;
inline constexpr int32_t kD3dStageStackDepth = 4;

// The dynamic buffers: entries each holds.
inline constexpr uint32_t kD3dScreenVertices = 4096;
inline constexpr uint32_t kD3dWorldVertices = 12288;
inline constexpr uint32_t kD3dIndices = 16384;
inline constexpr uint32_t kD3dScreenVertexBytes = 28;
inline constexpr uint32_t kD3dWorldVertexBytes = 32;
inline constexpr uint32_t kD3dLockAppend = kD3dLockNoOverwrite | kD3dLockNoSysLock;
inline constexpr uint32_t kD3dLockWrap = kD3dLockDiscard | kD3dLockNoSysLock;

struct d3d_world_vertex {  // 0x242
    float x, y, z;
    uint32_t colour;
    float u0, v0, u1, v1;
};
struct d3d_screen_vertex {  // 0x144
    float x, y, z, rhw;
    uint32_t colour;
    float u, v;
};

// One dynamic buffer and its append position.
struct d3d_dynamic_buffer {
    std::unique_ptr<d3d_buffer> buffer;
    uint32_t capacity = 0;    // entries
    uint32_t entry_bytes = 0;
    uint32_t start = 0;       // of the last appended run
    uint32_t next = 0;        // next free entry
    uint32_t lock_flags = kD3dLockAppend;
    bool locked = false;
    uint32_t wraps = 0;       // discarding locks so far: a run made before one is gone
};

// The driver's device state: enumeration's part and the rest.
struct d3d_driver_state : d3d_state {
    std::unique_ptr<d3d_object> object;
    std::unique_ptr<d3d_device> device;
    d3d_present_parameters pp;
    sys_gl_window* window = nullptr;
    d3d_caps caps;
    uint32_t behaviour = 0;
    d3d_dynamic_buffer screen, world, indices;
    d3d_viewport viewport;
    // Caches; -1 nothing sent yet.
    int32_t depth_test = -1, depth_write = -1, alpha_test = -1, blend = 0, cull = -1;
    int32_t combine = -1, requested_combine = 0, shading = -1, lighting = -1, lighting_value = 0;
    uint8_t stage_enabled[kD3dStages] = {1, 0, 0, 0};
    d3d_texture* bound[kD3dStages] = {};
    d3d_texture* saved[kD3dStages][kD3dStageStackDepth] = {};
    int32_t saved_depth[kD3dStages] = {};
    int32_t address[kD3dStages] = {};
    int32_t saved_address[kD3dStages][kD3dStageStackDepth] = {};
    bool fog_on = false;
    gfx_fog fog{0, 0, 0, 0};
    uint32_t clear_colour = 0;
    float clear_depth = 1.0f;
    uint32_t colour = 0xFFFFFFFFu;  // the current colour, alpha 255
    bool colour_set = false;
    mat4 modelview;
    bool modelview_valid = false;
    bool tint = false;
    bool in_scene = false;
    // A fill switched blending off after a texture was made current.
    bool blend_lost = false;
    // Capability summary.
    bool mip_maps = false, trilinear = false, multitexture = false, compressed = false, pow2_only = false;
    uint32_t max_textures = 0, max_width = 0, max_height = 0;
    // The open run of the vertex-array path, and what the extra layers gave.
    bool run_open = false;
    uint32_t run_start = 0, run_count = 0, run_wraps = 0;
    d3d_world_vertex* run = nullptr;  // while the run is locked
    const mesh_vertex* run_vertices = nullptr;
    const uint8_t* colour_data = nullptr;
    int32_t colour_mode = 0;
    const float* lightmap_coordinates = nullptr;
    texture* const* lightmaps = nullptr;
    const float* lamp_coordinates = nullptr;
    texture* lamp = nullptr;
};

class d3d_driver : public gfx_driver {
public:
    d3d_driver();
    ~d3d_driver() override;
    d3d_driver(const d3d_driver&) = delete;
    d3d_driver& operator=(const d3d_driver&) = delete;

    bool get_mode(int32_t index, std::string& name, int32_t& width, int32_t& height) override;
    bool open(int32_t mode, bool fullscreen, bool exact_match) override;
    void set_clear(const gfx_colour& colour, float alpha, float depth) override;
    void set_colour(const gfx_colour& colour) override;
    void set_smooth_hint(bool) override {}
    void set_dither(int32_t mode) override;
    void reserved_7(uint32_t) override {}
    void set_perspective(float a, float far) override;
    void set_depth_range(float near, float far) override;
    void set_clip_planes(int32_t, const double (*)[4]) override {}
    void set_wireframe(bool on) override;
    void set_vsync(bool) override {}
    bool set_fog(const gfx_fog* fog) override;
    void end_frame() override;
    void begin_frame() override;
    void clear_frame() override;
    bool device_ready() override;
    bool use_texture(texture& t, int32_t unit) override;
    void delete_texture(texture& t) override;
    void bind_texture_clamped(texture& t) override;
    void set_viewport(float x0, float y0, float x1, float y1) override;
    void set_modelview(const mat4& m, bool force) override;
    void push_matrix(const mat4&) override {}
    void pop_matrix() override {}
    void draw_polygon(const mesh_vertex* vertices, int32_t count, bool cull) override;
    int32_t draw_mesh(const mesh_vertex* vertices, int32_t format, const uint16_t* indices, int32_t count,
                      bool cull, const uint8_t* colours) override;
    void draw_line(const vec3& from, const vec3& to) override;
    void set_vertex_array(const mesh_vertex* vertices, int32_t count) override;
    void lock_arrays(int32_t, int32_t) override {}
    void unlock_arrays() override {}
    int32_t draw_triangles(const uint16_t* indices, int32_t count, bool cull) override;
    int32_t draw_quads(const uint16_t* indices, int32_t count, bool cull) override;
    int32_t draw_strips(const uint16_t* strips, int32_t strip_count, bool cull) override;
    void draw_image(const pixel_image&) override {}
    void reserved_34(uint32_t, uint32_t, uint32_t) override {}
    bool read_screen(float x0, float y0, float x1, float y1, screen_image& image) override;
    void draw_quad_uv_tinted(texture* t, const gfx_colour& colour, const gfx_rect& rect,
                             const gfx_uv_rect& uv) override;
    void draw_quad_uv(texture* t, const gfx_rect& rect, const gfx_uv_rect& uv) override;
    void draw_quad(texture* t, const gfx_rect& rect) override;
    void fill_rect(float x, float y, float width, float height, uint8_t red, uint8_t green, uint8_t blue,
                   uint8_t alpha) override;
    void draw_quad_uv_tinted_at(texture* t, const gfx_colour& colour, float x, float y, float width,
                                float height, const float (&uv0)[2], const float (&uv1)[2]) override;
    void draw_quad_uv_at(texture* t, float x, float y, float width, float height, const float (&uv0)[2],
                         const float (&uv1)[2]) override;
    void draw_quad_at(texture* t, float x, float y, float width, float height) override;
    void draw_text(texture* font, const gfx_colour& colour, int32_t x, int32_t y, int32_t cell_width,
                   int32_t cell_height, const std::string& text, bool second_half,
                   const int8_t* widths) override;
    void draw_point(float x, float y, const uint8_t (&rgb)[3], float size) override;
    void set_colour_array(const uint8_t* colours, int32_t mode) override;
    void set_lightmap_layer(const float* coordinates, texture* const* lightmaps) override;
    void set_lamp_layer(const float* coordinates, texture* lamp) override;
    void* window_handle() override;
    bool key_waiting() override;
    key_event read_key() override;
    int32_t max_texture_size() override;
    void set_tint(bool on) override;
    int32_t driver_id() override { return kDriverIdDirect3d; }
    bool has_compressed_textures() override;

    // The cached state setters.
    void d3d_set_depth_test(int32_t kind);
    void d3d_set_depth_write(int32_t kind);
    void d3d_set_alpha_test(int32_t kind);
    void d3d_set_blend(int32_t kind);
    void d3d_set_cull(int32_t kind);
    void d3d_set_combine(int32_t kind);
    void d3d_set_shading(int32_t kind);
    void d3d_set_address(int32_t stage, int32_t kind);
    void d3d_set_lighting(int32_t kind, int32_t value);
    void d3d_push_texture(int32_t stage);
    void d3d_pop_texture(int32_t stage);
    // The full render-state reset; false when a dynamic buffer cannot be made.
    bool d3d_reset_render_states();
    // Shutdown; also every failure of `open`.
    void d3d_deinit();

    // What tests look at.
    const d3d_driver_state* state() const { return state_.get(); }
    d3d_device* device() const { return state_ ? state_->device.get() : nullptr; }
    const std::string& dds_folder() const { return dds_folder_; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    // The driver's texture behind a record's handle; null when the record has none of this driver.
    d3d_texture* texture_of(const texture& t) const;

private:
    d3d_result create_device();
    void report();
    bool create_buffers();
    void release_buffers();
    // The append rule: locks n entries behind the last run; null when they can never fit or the lock
    // fails.
    uint8_t* append(d3d_dynamic_buffer& b, uint32_t n);
    void unlock(d3d_dynamic_buffer& b);
    void world_stream();
    void fill_world(d3d_world_vertex& out, const mesh_vertex& v, uint32_t colour, const float* second,
                    std::size_t index);
    uint32_t vertex_colour(const uint8_t* colours, std::size_t index) const;
    // Draws the vertices as a list of triangles (in pieces when they do not fit).
    int32_t draw_expanded(const mesh_vertex* vertices, const uint16_t* indices, int32_t index_count,
                          const uint8_t* colours, const float* second, bool second_as_first);
    int32_t draw_run_indexed(const uint16_t* indices, uint32_t index_count, uint32_t kind);
    void write_run_colours();
    void close_run();
    // 2D.
    void begin_2d();
    void end_2d();
    void screen_quad(const gfx_rect& rect, const gfx_uv_rect& uv, uint32_t colour);
    bool upload(texture& t, d3d_texture*& out);
    bool upload_dds(texture& t, d3d_texture*& out);
    void blend_by_kind(const texture& t);
    void window_proc(const sys_event& event);

    std::unique_ptr<d3d_driver_state> state_;
    std::string texture_folder_;
    std::string dds_folder_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    bool display_changed_ = false;
    // The textures this driver made, by the handle the records hold.
    std::unordered_map<uintptr_t, std::unique_ptr<d3d_texture>> textures_;
};

// A new Direct3D driver, nothing opened yet (the front end's kind 3).
std::unique_ptr<gfx_driver> d3d_driver_create();

}  // namespace kv
