#pragma once
// The texture cache of the graphics front end: textures are found by name in the front end's list
// or created and loaded there, stamped with a 16-bit use counter, uploaded through the display
// driver, and replaced by the default texture when their image cannot be loaded. Records stay in
// the list until the whole list is emptied.

#include <cstdint>
#include <string>

namespace kv {

struct gfx;

// The texture every texture that cannot be loaded is drawn with; never replaced itself.
inline constexpr const char* kDefaultTextureName = "QXlogo";

// What running a shader for one layer of a surface leaves: three bytes that each command changes
// only as far as it names them.
struct layer_state {
    uint8_t culling = 0;     // cull back faces
    uint8_t has_alpha = 0;   // the texture carries alpha
    uint8_t alpha_used = 0;  // ... of two levels, tested rather than blended
};

// Finds or loads the texture, makes it current on unit 0 unless `no_upload` (then no driver
// operation runs) and sets the layer's alpha bytes from it. A texture that cannot be loaded says so
// once ("failed - resorting to default one.") and the default texture stands in for this call.
void gfx_load_texture(gfx& g, const std::string& name, layer_state& state, bool no_upload);
// The driver's drawing colour (r, g, b).
void gfx_set_flat_colour(gfx& g, float r, float g_, float b);
// Deletes every uploaded texture through the driver and empties the list.
void gfx_texture_list_clear(gfx& g);

}  // namespace kv
