#include "world/hit_map.h"

#include <cmath>
#include <memory>

#include "data/file_stream.h"
#include "game/server.h"
#include "kernel/log.h"
#include "util/byte_order.h"
#include "util/text.h"

namespace kv {
namespace {

constexpr std::size_t kTargaHeaderSize = 18;
constexpr uint8_t kTargaColourMapped = 1;
constexpr uint8_t kTargaGrey = 3;
constexpr uint8_t kTargaTopOrigin = 0x20;
constexpr int32_t kHitMapMaxSide = 8192;
constexpr int64_t kHitMapMaxFile = 256ll * 1024 * 1024;

// Coordinate times m, wrapped into 0..size - 1.
int32_t wrap(float coordinate, int32_t m, int32_t size) {
    const double scaled = std::floor(static_cast<double>(coordinate) * m);
    const double wrapped = std::fmod(scaled, static_cast<double>(size));
    const int32_t index = static_cast<int32_t>(wrapped);
    return index < 0 ? index + size : index;
}

}  // namespace

uint8_t image8_sample(const image8& image, float u, float v) {
    if (image.width <= 0 || image.height <= 0) return 0;
    if (image.texels.size() < static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height))
        return 0;
    if (!std::isfinite(u) || !std::isfinite(v)) return 0;
    const int32_t m = image.width < image.height ? image.width : image.height;
    const int32_t column = wrap(u, m, image.width);
    const int32_t row = wrap(v, m, image.height);
    return image.texels[static_cast<std::size_t>(row) * static_cast<std::size_t>(image.width) +
                        static_cast<std::size_t>(column)];
}

bool hit_map_read_targa(const uint8_t* data, std::size_t size, image8& out, std::string& error) {
    out = image8();
    if (size < kTargaHeaderSize) {
        error = "file too short for a Targa header";
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
    if (image_type != kTargaGrey && image_type != kTargaColourMapped) {
        error = str_format("image type %u is not an uncompressed 8-bit image", image_type);
        return false;
    }
    if (bits != 8) {
        error = str_format("%u bits per pixel, 8 expected", bits);
        return false;
    }
    if (width == 0 || height == 0 || width > kHitMapMaxSide || height > kHitMapMaxSide) {
        error = str_format("size %dx%d out of range", width, height);
        return false;
    }
    std::size_t offset = kTargaHeaderSize + id_length;
    if (map_type == 1) offset += static_cast<std::size_t>(map_length) * ((map_entry_bits + 7u) / 8u);
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (offset > size || size - offset < pixels) {
        error = str_format("%zu bytes of pixels missing", offset > size ? pixels : pixels - (size - offset));
        return false;
    }
    out.width = width;
    out.height = height;
    out.texels.resize(pixels);
    const bool top_first = (descriptor & kTargaTopOrigin) != 0;
    for (int32_t row = 0; row < height; ++row) {
        const int32_t source_row = top_first ? row : height - 1 - row;
        mem_copy(out.texels.data() + static_cast<std::size_t>(row) * width,
                 data + offset + static_cast<std::size_t>(source_row) * width,
                 static_cast<std::size_t>(width));
    }
    return true;
}

std::array<image8, kHitMapCount>& hit_maps() {
    static std::array<image8, kHitMapCount> maps;
    return maps;
}

const image8* hit_map_get(int32_t n) {
    if (n < 0 || n >= kHitMapCount) return nullptr;
    return &hit_maps()[static_cast<std::size_t>(n)];
}

int server_load_hit_maps(server& srv) {
    int loaded = 0;
    for (int i = 0; i < kHitMapCount; ++i) {
        image8& map = hit_maps()[static_cast<std::size_t>(i)];
        map = image8();
        const std::string name = str_format("hitmap%d.tga", i);
        std::unique_ptr<file_stream> stream = server_open_file(srv, server_image_path(srv, name), false);
        if (!stream) {
            log_write("hitmap: *WARNING* couldn't open `%s'.\n", name.c_str());
            continue;
        }
        const int64_t size = file_stream_size(*stream);
        std::vector<uint8_t> bytes(size > 0 && size <= kHitMapMaxFile ? static_cast<std::size_t>(size) : 0);
        std::size_t count = 0;
        std::string error;
        if (size > kHitMapMaxFile) {
            error = "file too large";
        } else if (!bytes.empty() && !file_stream_read(*stream, bytes.data(), bytes.size(), &count)) {
            error = "read error";
        } else if (hit_map_read_targa(bytes.data(), bytes.size(), map, error)) {
            ++loaded;
            continue;
        }
        map = image8();
        log_write("hitmap: *WARNING* `%s' is not usable: %s.\n", name.c_str(), error.c_str());
    }
    return loaded;
}

}  // namespace kv
