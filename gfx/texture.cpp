#include "gfx/texture.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "data/file_stream.h"
#include "game/server.h"
#include "gfx/gfx.h"
#include "kernel/kernel.h"
#include "kernel/log.h"
#include "util/byte_order.h"
#include "world/lmap_file.h"

namespace kv {
namespace {

constexpr std::size_t kTargaHeaderSize = 18;
constexpr uint8_t kTargaTrueColour = 2;
constexpr uint8_t kTargaGrey = 3;
constexpr uint8_t kTargaTopOrigin = 0x20;
constexpr uint8_t kTargaTwoWay = 2;   // descriptor bits 6-7
constexpr uint8_t kTargaFourWay = 3;  // descriptor bits 6-7

constexpr std::size_t kQxtxHeaderSize = 12;
constexpr char kQxtxMagic[4] = {'Q', 'X', 'T', 'X'};
constexpr int kQxtxNewestVersion = 10;

// The DDS files that stand for a texture, in the order they are tried.
struct dds_kind {
    const char* suffix;
    uint8_t kind;
    uint8_t bytes_per_texel;
    uint8_t two_level_alpha;
};
constexpr dds_kind kDdsKinds[] = {
    {".ddn", kTextureRgb, 3, 0},
    {".dda", kTextureRgba, 4, 0},
    {".dds", kTextureRgba, 4, 1},
};

// The bytes a texel of a QXTX image takes by its kind.
std::size_t qxtx_texel_bytes(uint8_t kind) {
    switch (kind) {
        case kTextureRgb:
            return 3;
        case kTextureGrey:  // RGBA with one-bit alpha in this format
        case kTextureRgba:
            return 4;
        case kTextureLuminanceAlpha:
            return 2;
        default:
            return 1;
    }
}

void forget_image(texture& t) {
    t.pixels.clear();
    t.pixels.shrink_to_fit();
}

// The picture row that file row `r` of `h` rows holds, before the origin is taken into account.
int32_t interleaved_row(int32_t r, int32_t h, uint8_t interleave) {
    if (interleave == kTargaFourWay) {
        if (r < h / 4) return 4 * r;
        if (r < h / 2) return 4 * (r - h / 4) + 1;
        if (r < 3 * h / 4) return 4 * (r - h / 2) + 2;
        return 4 * (r - 3 * h / 4) + 3;
    }
    if (interleave == kTargaTwoWay) {
        if (r < h / 2) return 2 * r;
        return 2 * (r - h / 2) + 1;
    }
    return r;
}

// Copies `count` texels of blue, green, red, alpha as red, green, blue, alpha, two at a time in one
// word; non-zero when an alpha other than 0 and 255 came by.
uint64_t swap_red_blue_32(const uint8_t* from, uint8_t* to, int32_t count) {
    static_assert(std::endian::native == std::endian::little, "texels are handled as little-endian words");
    constexpr uint64_t kGreenAlpha = 0xFF00FF00FF00FF00ull;
    constexpr uint64_t kLow = 0x000000FF000000FFull;
    constexpr uint64_t kOne = 0x0000000100000001ull;
    uint64_t partial = 0;
    int32_t x = 0;
    for (; x + 2 <= count; x += 2) {
        uint64_t pair;
        std::memcpy(&pair, from + 4 * x, 8);
        const uint64_t swapped = (pair & kGreenAlpha) | ((pair >> 16) & kLow) | ((pair & kLow) << 16);
        std::memcpy(to + 4 * x, &swapped, 8);
        // Each alpha plus one is 0 or 1 (as 256 or 1) only for 0 and 255.
        partial |= (((pair >> 24) & kLow) + kOne) & (kLow - kOne);
    }
    for (; x < count; ++x) {
        to[4 * x] = from[4 * x + 2];
        to[4 * x + 1] = from[4 * x + 1];
        to[4 * x + 2] = from[4 * x];
        to[4 * x + 3] = from[4 * x + 3];
        partial |= static_cast<uint64_t>(from[4 * x + 3] != 0 && from[4 * x + 3] != 255);
    }
    return partial;
}

// Reads a whole file; false on a read error.
bool read_whole(file_stream& stream, std::unique_ptr<uint8_t[]>& bytes, std::size_t& size) {
    const int64_t length = file_stream_size(stream);
    if (length < 0) return false;
    size = static_cast<std::size_t>(length);
    bytes = std::make_unique_for_overwrite<uint8_t[]>(size);
    std::size_t done = 0;
    while (done < size) {
        std::size_t count = 0;
        if (!file_stream_read(stream, bytes.get() + done, size - done, &count) || count == 0) return false;
        done += count;
    }
    return true;
}

// Whether a DDS file stands for the image; sets the DDS state and, when one does, the kind it gives.
void probe_dds(texture& t, server& srv, gfx_driver* driver) {
    t.dds_state = kDdsMissing;
    if (!driver || !driver->has_compressed_textures() || t.kind == kTextureLightMap) return;
    if (t.name.find("hit") != std::string::npos || t.name.find("font") != std::string::npos) return;
    for (const dds_kind& d : kDdsKinds) {
        if (!server_open_file(srv, server_dds_path(srv, t.name, d.suffix), false)) continue;
        t.kind = d.kind;
        t.bytes_per_texel = d.bytes_per_texel;
        t.two_level_alpha = d.two_level_alpha;
        t.dds_state = kDdsFound;
        return;
    }
}

// Coordinate times the smaller side, wrapped into 0..size - 1.
int32_t wrap(float coordinate, float smaller_side, int32_t size) {
    const double scaled = std::trunc(static_cast<double>(smaller_side) * static_cast<double>(coordinate));
    const int32_t index = static_cast<int32_t>(std::fmod(scaled, static_cast<double>(size)));
    return index < 0 ? index + size : index;
}

}  // namespace

std::unique_ptr<texture> texture_create(const std::string& name) {
    auto t = std::make_unique<texture>();
    t->name = name;
    return t;
}

std::unique_ptr<texture> texture_create_for_lmap(int32_t id) {
    auto t = std::make_unique<texture>();
    t->lmap_id = id;
    t->kind = kTextureLightMap;
    t->bytes_per_texel = 1;
    const lmap_file& store = kernel_get().graphics.lightmaps;
    if (const uint8_t* square = lmap_file_data(store, id)) {
        t->width = t->height = lmap_file_entry(store, id).side;
        t->texels = square;
    }
    return t;
}

bool texture_read_targa(texture& t, const uint8_t* data, std::size_t size, const std::string& file_name) {
    forget_image(t);
    const bool speak = t.quiet == 0;
    if (size < kTargaHeaderSize) {
        if (speak) log_write("[GFX] %s: The TGA header is cut short (%zu bytes)\n", file_name.c_str(), size);
        return false;
    }
    const uint8_t id_length = data[0];
    const uint8_t map_type = data[1];
    const uint8_t image_type = data[2];
    const uint16_t map_length = le_load_u16(data + 5);
    const uint8_t map_entry_bits = data[7];
    const int32_t width = le_load_u16(data + 12);
    const int32_t height = le_load_u16(data + 14);
    const uint8_t bits = data[16];
    const uint8_t descriptor = data[17];
    if (image_type != kTargaTrueColour && image_type != kTargaGrey) {
        if (speak)
            log_write("[GFX] %s: This TGA image type (%d) is not supported\n", file_name.c_str(), image_type);
        return false;
    }
    if ((bits != 8 && bits != 24 && bits != 32) || (image_type == kTargaGrey && bits != 8)) {
        if (speak)
            log_write("[GFX] %s: This TGA pixel depth (%d bits) is not supported\n", file_name.c_str(), bits);
        return false;
    }
    if (width == 0 || height == 0) {
        if (speak)
            log_write("[GFX] %s: This TGA image size (%dx%d) is not supported\n", file_name.c_str(), width,
                      height);
        return false;
    }
    const uint8_t interleave = static_cast<uint8_t>(descriptor >> 6);
    if (interleave == kTargaTwoWay || interleave == kTargaFourWay) {
        for (int32_t r = 0; r < height; ++r) {
            if (interleaved_row(r, height, interleave) < height) continue;
            if (speak)
                log_write("[GFX] %s: This TGA interleave does not fit its %d rows\n", file_name.c_str(),
                          height);
            return false;
        }
    }
    std::size_t offset = kTargaHeaderSize + id_length;
    if (map_type != 0 && map_length != 0)
        offset += static_cast<std::size_t>(map_length) * ((map_entry_bits + 7u) / 8u);
    const std::size_t bytes = bits / 8u;
    const std::size_t row_bytes = static_cast<std::size_t>(width) * bytes;
    const std::size_t image_bytes = row_bytes * static_cast<std::size_t>(height);
    const std::size_t present = offset < size ? size - offset : 0;
    if (present < image_bytes) {
        if (speak)
            log_write("[GFX] %s: The TGA image is cut short (%zu of %zu pixel bytes)\n", file_name.c_str(),
                      present, image_bytes);
        return false;
    }

    std::vector<uint8_t> pixels(image_bytes);
    const bool top_origin = (descriptor & kTargaTopOrigin) != 0;
    uint64_t alpha_seen = 0;  // non-zero once an alpha other than 0 and 255 came by
    for (int32_t r = 0; r < height; ++r) {
        int32_t row = interleaved_row(r, height, interleave);
        if (!top_origin) row = height - 1 - row;
        const uint8_t* from = data + offset + static_cast<std::size_t>(r) * row_bytes;
        uint8_t* to = pixels.data() + static_cast<std::size_t>(row) * row_bytes;
        if (bytes == 1) {
            std::copy(from, from + row_bytes, to);
        } else if (bytes == 3) {
            for (int32_t x = 0; x < width; ++x, from += 3, to += 3) {
                to[0] = from[2];
                to[1] = from[1];
                to[2] = from[0];
            }
        } else {
            alpha_seen |= swap_red_blue_32(from, to, width);
        }
    }

    t.pixels = std::move(pixels);
    t.width = static_cast<uint16_t>(width);
    t.height = static_cast<uint16_t>(height);
    t.bytes_per_texel = static_cast<uint8_t>(bytes);
    t.format = 0;
    t.kind = bytes == 3 ? kTextureRgb : bytes == 4 ? kTextureRgba : image_type;
    t.two_level_alpha = static_cast<uint8_t>(bytes == 4 && alpha_seen == 0);
    return true;
}

bool texture_read_qxtx(texture& t, const uint8_t* data, std::size_t size, const std::string& file_name) {
    forget_image(t);
    const bool speak = t.quiet == 0;
    if (size < kQxtxHeaderSize || !std::equal(kQxtxMagic, kQxtxMagic + 4, data) || data[4] < '0' ||
        data[4] > '9' || data[5] < '0' || data[5] > '9') {
        if (speak) log_write("[GFX] `%s': Invalid header found\n", file_name.c_str());
        return false;
    }
    const int version = (data[4] - '0') * 10 + (data[5] - '0');
    if (version > kQxtxNewestVersion) {
        if (speak) log_write("[GFX] `%s': Unsupported (future) version found\n", file_name.c_str());
        return false;
    }
    const uint16_t width = be_load_u16(data + 6);
    const uint16_t height = be_load_u16(data + 8);
    const uint8_t kind = data[10];
    const std::size_t needed = static_cast<std::size_t>(width) * height * qxtx_texel_bytes(kind);
    const std::size_t present = size - kQxtxHeaderSize;
    if (width == 0 || height == 0) {
        if (speak) log_write("[GFX] `%s': Invalid header found\n", file_name.c_str());
        return false;
    }
    if (present < needed) {
        if (speak)
            log_write("[GFX] `%s': Truncated image data found (%zu of %zu bytes)\n", file_name.c_str(),
                      present, needed);
        return false;
    }
    t.width = width;
    t.height = height;
    t.kind = kind;
    t.format = data[11];
    t.pixels.assign(data + kQxtxHeaderSize, data + size);
    return true;
}

void texture_load(texture& t) {
    texture_load(t, server_get(), kernel_get().graphics.driver.get());
}

void texture_load(texture& t, server& srv, gfx_driver* driver) {
    if (t.dds_state == kDdsUntried) probe_dds(t, srv, driver);
    const bool speak = t.quiet == 0;
    const bool targa = srv.texture_dir == "tga/";
    if (!targa && srv.texture_dir != "gl/") return;
    if (targa && t.dds_state == kDdsFound) return;

    const std::string path = server_image_path(srv, t.name);
    const std::string file_name = targa ? path + ".tga" : path;
    std::unique_ptr<file_stream> stream = server_open_file(srv, file_name, false);
    if (!stream) {
        if (speak) {
            if (targa)
                log_write("[GFX] File '%s.tga' not found\n", path.c_str());
            else
                log_write("[GFX] File `%s' not found\n", path.c_str());
        }
        return;
    }
    std::unique_ptr<uint8_t[]> bytes;
    std::size_t size = 0;
    if (!read_whole(*stream, bytes, size)) {
        forget_image(t);
        if (speak) log_write("[GFX] %s: The file could not be read\n", file_name.c_str());
        return;
    }
    if (targa)
        texture_read_targa(t, bytes.get(), size, file_name);
    else
        texture_read_qxtx(t, bytes.get(), size, file_name);
}

void texture_release(texture& t, gfx_driver* driver) {
    if (t.uploaded != 0) {
        if (driver) driver->delete_texture(t);
        t.uploaded = 0;
    }
    forget_image(t);
    t.name.clear();
    t.name.shrink_to_fit();
}

bool texture_is_loaded(const texture& t) {
    return t.dds_state == kDdsFound || !t.pixels.empty() || t.uploaded != 0;
}

bool texture_has_alpha(const texture& t) {
    return (t.kind >= kTextureNotUploaded && t.kind <= kTextureAlpha) || t.kind == kTextureAlphaKind9;
}

bool texture_has_two_level_alpha(const texture& t) {
    return texture_has_alpha(t) && t.two_level_alpha != 0;
}

void texture_free_pixels(texture& t) {
    forget_image(t);
}

int32_t texture_sample(const texture& t, float u, float v) {
    if (t.width == 0 || t.height == 0 || !std::isfinite(u) || !std::isfinite(v)) return 0;
    const std::size_t bytes = t.bytes_per_texel;
    if (bytes == 0) return 0;
    const std::size_t image_bytes = static_cast<std::size_t>(t.width) * t.height * bytes;
    const uint8_t* image = nullptr;
    if (!t.pixels.empty()) {
        if (t.pixels.size() < image_bytes) return 0;
        image = t.pixels.data();
    } else {
        image = t.texels;  // the light-map store's square, sized by the store
    }
    if (!image) return 0;
    const float smaller = static_cast<float>(t.width < t.height ? t.width : t.height);
    const int32_t x = wrap(u, smaller, t.width);
    const int32_t y = wrap(v, smaller, t.height);
    // Wider texels give their first colour byte.
    return image[(static_cast<std::size_t>(y) * t.width + static_cast<std::size_t>(x)) * bytes];
}

}  // namespace kv
