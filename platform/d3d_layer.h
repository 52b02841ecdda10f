#pragma once
// The Direct3D-8-shaped device layer: what the Direct3D display driver asks of Direct3D 8, carried by
// fixed-function OpenGL in the driver's SDL window.
//
// One adapter (the display): identifier texts from GL's vendor and renderer, the desktop mode and the
// display's modes from SDL, each size in X8R8G8B8 and in R5G6B5. One device kind "HAL" (and "REF" when
// a test asks for it), with capabilities from GL. A device owns a GL context on its window; textures
// are lockable images in memory, handed to GL when first set; vertex and index buffers are memory
// that each draw hands to GL as client arrays. A full-screen device is lost while its window lacks the
// input focus; a windowed one never is. Each failure that a caller could not foresee is logged with a
// "[D3D] " line and returned as a negative result.
//
// Objects that a device made may outlive it (they are then plain memory); the device must not be
// used after its object is gone.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3d_types.h"

namespace kv {

class d3d_device;
struct d3d_device_link;

// ---- Seams ----------------------------------------------------------------------------------------
enum class d3d_call {
    create_object,
    create_device,
    create_vertex_buffer,
    create_index_buffer,
    create_image_surface,
    create_texture,
    create_hal_device,  // create_device of the HAL kind only
    check_device_type,
    check_device_format,
    check_depth_stencil_match,
    test_cooperative_level,
    reset,
};
// From now on `call` returns `result` without doing anything (create_object: no object).
void d3d_force_result(d3d_call call, d3d_result result);
void d3d_clear_forced_results();
// Whether the object offers a reference kind "REF" after "HAL" (off unless a test asks).
void d3d_offer_reference_kind(bool on);

// ---- Surfaces, textures, buffers ------------------------------------------------------------------
// An image in memory. Every row is padded past its texels (16-byte aligned), so a copy that ignores
// the pitch shows; block formats hold 4 x 4 blocks, a row of blocks a pitch.
class d3d_surface {
public:
    d3d_surface(uint32_t width, uint32_t height, d3d_format format);
    d3d_result desc(d3d_surface_desc& out) const;
    // `rect` null: the whole surface. Block formats take rectangles on block bounds.
    d3d_result lock_rect(d3d_locked_rect& out, const d3d_rect* rect, uint32_t flags);
    d3d_result unlock_rect();

    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    d3d_format format() const { return format_; }
    int32_t pitch() const { return pitch_; }
    uint32_t generation() const { return generation_; }  // grows at every change
    bool locked() const { return locked_; }

    // The texels as 32-bit ARGB words, row by row without padding; false for a format the layer does
    // not read.
    bool read_argb(const d3d_rect& rect, std::vector<uint32_t>& out) const;
    // Writes the rectangle from ARGB words; a block surface keeps the texels whole (GL compresses them
    // when it takes the texture) and also holds them as blocks.
    bool write_argb(const d3d_rect& rect, const std::vector<uint32_t>& texels);
    // Block surfaces: the texels kept by the last write, empty when the blocks came from a lock.
    const std::vector<uint32_t>& kept_texels() const { return kept_texels_; }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    uint32_t width_;
    uint32_t height_;
    d3d_format format_;
    int32_t pitch_ = 0;
    std::vector<uint8_t> bytes_;
    std::vector<uint32_t> kept_texels_;
    bool locked_ = false;
    uint32_t generation_ = 0;
};

// Bytes of one texel of a format (0 for block formats and formats the layer does not hold).
uint32_t d3d_format_texel_bytes(d3d_format format);
bool d3d_format_is_block(d3d_format format);
// The bytes a level of that size takes (pitch x rows, or its blocks).
uint32_t d3d_level_bytes(d3d_format format, uint32_t width, uint32_t height);

class d3d_texture {
public:
    ~d3d_texture();
    d3d_texture(const d3d_texture&) = delete;
    d3d_texture& operator=(const d3d_texture&) = delete;

    uint32_t level_count() const { return static_cast<uint32_t>(levels_.size()); }
    d3d_result level_desc(uint32_t level, d3d_surface_desc& out) const;
    // The level's surface, owned by the texture; null past the last level.
    d3d_surface* surface_level(uint32_t level);
    d3d_result lock_rect(uint32_t level, d3d_locked_rect& out, const d3d_rect* rect, uint32_t flags);
    d3d_result unlock_rect(uint32_t level);
    d3d_format format() const { return format_; }
    uint32_t pool() const { return pool_; }

    // Layer-internal: the GL texture and the level generations it holds.
    uint32_t gl_name = 0;
    std::vector<uint32_t> uploaded_generations;
    std::shared_ptr<d3d_device_link> link;

private:
    friend class d3d_device;
    friend d3d_result d3d_texture_create(uint32_t, uint32_t, uint32_t, d3d_format, uint32_t,
                                         std::unique_ptr<d3d_texture>&);
    d3d_texture() = default;
    d3d_format format_ = kD3dFmtUnknown;
    uint32_t pool_ = kD3dPoolManaged;
    std::vector<std::unique_ptr<d3d_surface>> levels_;
};
// A texture without a device (plain memory until a device sets it): `levels` 0 makes the whole chain
// down to 1 x 1.
d3d_result d3d_texture_create(uint32_t width, uint32_t height, uint32_t levels, d3d_format format,
                              uint32_t pool, std::unique_ptr<d3d_texture>& out);

// A vertex or index buffer in memory. Dynamic buffers take the DISCARD and NOOVERWRITE locks; draws
// copy what they read, so a discarding lock never spoils what was drawn.
class d3d_buffer {
public:
    ~d3d_buffer();
    d3d_buffer(const d3d_buffer&) = delete;
    d3d_buffer& operator=(const d3d_buffer&) = delete;

    // `size` 0: from `offset` to the end.
    d3d_result lock(uint32_t offset, uint32_t size, uint8_t*& out, uint32_t flags);
    d3d_result unlock();
    uint32_t length() const { return static_cast<uint32_t>(bytes_.size()); }
    uint32_t usage() const { return usage_; }
    uint32_t pool() const { return pool_; }
    uint32_t fvf() const { return fvf_; }  // vertex buffers
    bool locked() const { return locked_; }
    uint32_t last_lock_flags() const { return last_lock_flags_; }
    const uint8_t* data() const { return bytes_.data(); }

private:
    friend class d3d_device;
    d3d_buffer() = default;
    std::vector<uint8_t> bytes_;
    uint32_t usage_ = 0;
    uint32_t pool_ = kD3dPoolDefault;
    uint32_t fvf_ = 0;
    bool index_ = false;
    bool locked_ = false;
    uint32_t last_lock_flags_ = 0;
    std::shared_ptr<d3d_device_link> link_;
};
using d3d_vertex_buffer = d3d_buffer;
using d3d_index_buffer = d3d_buffer;

// ---- The object -----------------------------------------------------------------------------------
class d3d_object {
public:
    virtual ~d3d_object() = default;
    virtual uint32_t adapter_count() = 0;
    virtual d3d_result adapter_identifier(uint32_t adapter, uint32_t flags, d3d_adapter_identifier& out) = 0;
    virtual d3d_result adapter_display_mode(uint32_t adapter, d3d_display_mode& out) = 0;
    virtual uint32_t adapter_mode_count(uint32_t adapter) = 0;
    virtual d3d_result enum_adapter_modes(uint32_t adapter, uint32_t mode, d3d_display_mode& out) = 0;
    virtual d3d_result device_caps(uint32_t adapter, uint32_t device_type, d3d_caps& out) = 0;
    virtual d3d_result check_device_type(uint32_t adapter, uint32_t device_type, d3d_format display_format,
                                         d3d_format back_buffer_format, bool windowed) = 0;
    virtual d3d_result check_device_format(uint32_t adapter, uint32_t device_type, d3d_format adapter_format,
                                           uint32_t usage, uint32_t resource_type, d3d_format format) = 0;
    virtual d3d_result check_depth_stencil_match(uint32_t adapter, uint32_t device_type,
                                                 d3d_format adapter_format, d3d_format render_target_format,
                                                 d3d_format depth_stencil_format) = 0;
    // The device draws in `pp.device_window` (or `focus_window` when that is null).
    virtual d3d_result create_device(uint32_t adapter, uint32_t device_type, sys_gl_window* focus_window,
                                     uint32_t behaviour, d3d_present_parameters& pp,
                                     std::unique_ptr<d3d_device>& out) = 0;
};

// The layer's object on the display; null without a display or GL (a log line says why).
std::unique_ptr<d3d_object> d3d_create_object();

// ---- The device -----------------------------------------------------------------------------------
struct d3d_gl;
struct d3d_stage {
    uint32_t colour_op = kD3dTopDisable, colour_arg1 = kD3dTaTexture, colour_arg2 = kD3dTaCurrent;
    uint32_t alpha_op = kD3dTopDisable, alpha_arg1 = kD3dTaTexture, alpha_arg2 = kD3dTaCurrent;
    uint32_t tex_coord_index = 0;
    uint32_t address_u = kD3dTAddressWrap, address_v = kD3dTAddressWrap;
    uint32_t mag_filter = kD3dTexfPoint, min_filter = kD3dTexfPoint, mip_filter = kD3dTexfNone;
    d3d_texture* texture = nullptr;
};

class d3d_device {
public:
    ~d3d_device();
    d3d_device(const d3d_device&) = delete;
    d3d_device& operator=(const d3d_device&) = delete;

    d3d_result caps(d3d_caps& out) const;
    d3d_result test_cooperative_level();
    // Refused while a default-pool buffer of the device exists.
    d3d_result reset(d3d_present_parameters& pp);
    // Honours the viewport; clears depth whatever the depth-write state. Rectangles are not taken.
    d3d_result clear(uint32_t rect_count, const d3d_rect* rects, uint32_t flags, uint32_t colour, float z,
                     uint32_t stencil);
    d3d_result begin_scene();
    d3d_result end_scene();
    d3d_result present();

    // Only the combinations the driver sets; any other is refused with a log line.
    d3d_result set_render_state(uint32_t state, uint32_t value);
    d3d_result set_texture_stage_state(uint32_t stage, uint32_t state, uint32_t value);
    d3d_result set_transform(uint32_t which, const d3d_matrix& m);
    d3d_result set_viewport(const d3d_viewport& v);
    d3d_result viewport(d3d_viewport& out) const;

    d3d_result set_vertex_shader(uint32_t fvf);
    d3d_result set_stream_source(uint32_t stream, d3d_vertex_buffer* buffer, uint32_t stride);
    d3d_result set_indices(d3d_index_buffer* buffer, uint32_t base_vertex);
    d3d_result draw_primitive(uint32_t kind, uint32_t start_vertex, uint32_t primitive_count);
    d3d_result draw_indexed_primitive(uint32_t kind, uint32_t min_index, uint32_t vertex_count,
                                      uint32_t start_index, uint32_t primitive_count);

    d3d_result create_vertex_buffer(uint32_t length, uint32_t usage, uint32_t fvf, uint32_t pool,
                                    std::unique_ptr<d3d_vertex_buffer>& out);
    d3d_result create_index_buffer(uint32_t length, uint32_t usage, d3d_format format, uint32_t pool,
                                   std::unique_ptr<d3d_index_buffer>& out);
    d3d_result create_image_surface(uint32_t width, uint32_t height, d3d_format format,
                                    std::unique_ptr<d3d_surface>& out);
    d3d_result create_texture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                              d3d_format format, uint32_t pool, std::unique_ptr<d3d_texture>& out);
    d3d_result set_texture(uint32_t stage, d3d_texture* t);
    d3d_result display_mode(d3d_display_mode& out) const;
    // The window's last presented frame at the window's place in a display-sized A8R8G8B8 surface.
    d3d_result front_buffer(d3d_surface& destination);

    // Test seam: while set, the calls that change the device, its buffers and its textures append a
    // line each to the list, such as "SetRenderState 7 1" or "Lock vb 0x242 0 96 0x1800".
    std::vector<std::string>* calls = nullptr;
    void note(const char* format, ...) const __attribute__((format(printf, 2, 3)));

    // Layer-internal.
    void forget(const d3d_buffer* buffer);
    void forget(d3d_texture* t);
    bool s3tc() const;

private:
    friend class d3d_gl_object;
    d3d_device() = default;
    bool open(uint32_t device_type, uint32_t behaviour, const d3d_present_parameters& pp,
              const d3d_caps& caps);
    void default_states();
    void apply_stages();
    bool upload(d3d_texture& t);
    d3d_result draw(uint32_t kind, uint32_t first, uint32_t primitive_count, const uint16_t* indices,
                    uint32_t base_vertex);
    uint32_t back_buffer_width() const;
    uint32_t back_buffer_height() const;
    void apply_viewport();
    void apply_matrices();

    std::unique_ptr<d3d_gl> gl_;
    std::shared_ptr<d3d_device_link> link_;
    void* context_ = nullptr;
    d3d_caps caps_;
    uint32_t behaviour_ = 0;
    d3d_present_parameters pp_;
    bool lost_ = false;
    bool in_scene_ = false;
    d3d_viewport viewport_;
    d3d_matrix world_, view_, projection_;
    uint32_t fvf_ = 0;
    d3d_buffer* stream_ = nullptr;
    uint32_t stride_ = 0;
    d3d_buffer* indices_ = nullptr;
    uint32_t base_vertex_ = 0;
    d3d_stage stages_[kD3dMaxStages];
    bool stages_dirty_ = true;
    bool blend_on_ = false;
    uint32_t src_blend_ = kD3dBlendOne, dest_blend_ = kD3dBlendZero;
    uint32_t fog_colour_ = 0;
    bool bgra_arrays_ = false;
    bool s3tc_ = false;
    bool pretransformed_ = false;  // GL holds the window-pixel matrices of pre-transformed vertices
    bool depth_write_ = true;
    bool alpha_func_set_ = false;
    uint32_t alpha_ref_ = 0;
    std::vector<float> scratch_positions_;
    std::vector<uint32_t> scratch_colours_;
    std::vector<uint16_t> scratch_indices_;
};

// ---- D3DX -----------------------------------------------------------------------------------------
// The texture with the whole chain for `levels` 0 or kD3dxDefault; sides above the device's largest
// texture are refused (without a device: 4096).
d3d_result d3dx_create_texture(const d3d_device* device, uint32_t width, uint32_t height, uint32_t levels,
                               uint32_t usage, d3d_format format, uint32_t pool,
                               std::unique_ptr<d3d_texture>& out);
// Converts the source rectangle into the destination rectangle (null: whole surfaces); rectangles of
// different sizes are scaled by taking the nearest texel.
d3d_result d3dx_load_surface_from_surface(d3d_surface& destination, const d3d_rect* destination_rect,
                                          d3d_surface& source, const d3d_rect* source_rect, uint32_t filter);
// Fills every level below `source_level` (kD3dxDefault: 0) with the 2 x 2 box-filtered level above.
d3d_result d3dx_filter_texture(d3d_texture& t, uint32_t source_level, uint32_t filter);
d3d_matrix d3dx_matrix_perspective_off_center_lh(float left, float right, float bottom, float top,
                                                 float near_plane, float far_plane);

}  // namespace kv
