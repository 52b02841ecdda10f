#include "world/lmap_file.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "data/file_stream.h"
#include "data/read_error.h"
#include "game/server.h"
#include "kernel/log.h"
#include "util/byte_order.h"

namespace kv {

namespace {

constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kEntrySize = 8;
// Sums of image sizes stop growing here: no file can hold that much.
constexpr uint64_t kImageSizeCap = uint64_t{1} << 62;

bool read_exact(file_stream& stream, void* buffer, std::size_t n) {
    std::size_t count = 0;
    return file_stream_read(stream, buffer, n, &count) && count == n;
}

bool entry_fits(const lmap_entry& e, std::size_t data_size) {
    if (e.side <= 0 || e.offset < 0) return false;
    const uint64_t end =
        static_cast<uint64_t>(e.offset) + static_cast<uint64_t>(e.side) * static_cast<uint64_t>(e.side);
    return end <= data_size;
}

}  // namespace

void lmap_file_read(lmap_file& store, file_stream& stream) {
    uint8_t header[kHeaderSize] = {};
    if (!read_exact(stream, header, kHeaderSize) || std::memcmp(header, "LMAP", 4) != 0)
        throw read_error("[LM] Invalid header found");
    if (header[4] > '1' || (header[4] == '1' && header[5] > '0'))
        throw read_error("[LM] Unsupported (future) version found");

    lmap_file_clear(store);
    uint8_t word[4] = {};
    bool failed = !read_exact(stream, word, sizeof word);
    const int32_t count = failed ? 0 : static_cast<int32_t>(le_load_u32(word));
    uint64_t size = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (failed) throw read_error("[LM] Invalid table");
        uint8_t raw[kEntrySize];
        if (!read_exact(stream, raw, kEntrySize)) {
            failed = true;
            continue;
        }
        const lmap_entry e{static_cast<int32_t>(le_load_u32(raw)),
                           static_cast<int32_t>(le_load_u32(raw + 4))};
        store.table.push_back(e);
        const uint64_t side = static_cast<uint64_t>(e.side < 0 ? -static_cast<int64_t>(e.side) : e.side);
        size = std::min(size + side * side, kImageSizeCap);
    }
    if (failed) throw read_error("[LM] Invalid image");

    const int64_t file_size = file_stream_size(stream);
    const int64_t position = file_stream_tell(stream);
    const uint64_t left = file_size >= 0 && position >= 0 && file_size >= position
                              ? static_cast<uint64_t>(file_size - position)
                              : 0;
    if (size > left) throw read_error("[LM] Invalid image");
    store.data.resize(static_cast<std::size_t>(size));
    if (!read_exact(stream, store.data.data(), store.data.size())) throw read_error("[LM] Invalid image");

    for (std::size_t i = 0; i < store.table.size(); ++i) {
        const lmap_entry& e = store.table[i];
        if (entry_fits(e, store.data.size())) continue;
        log_write("[LM] *WARNING* Invalid entry %zu (offset %d, side %d): its faces get no light map.\n", i,
                  e.offset, e.side);
    }
}

void lmap_file_load(lmap_file& store, server& srv, const std::string& package_name) {
    const std::unique_ptr<file_stream> stream =
        server_open_file(srv, srv.lmap_dir + package_name + "-lmap", false);
    if (!stream) return;
    lmap_file_read(store, *stream);
}

bool lmap_file_has(const lmap_file& store, int32_t id) {
    return id >= 0 && static_cast<std::size_t>(id) < store.table.size() &&
           entry_fits(store.table[static_cast<std::size_t>(id)], store.data.size());
}

const lmap_entry& lmap_file_entry(const lmap_file& store, int32_t id) {
    static const lmap_entry none{0, 0};
    if (id < 0 || static_cast<std::size_t>(id) >= store.table.size()) return none;
    return store.table[static_cast<std::size_t>(id)];
}

const uint8_t* lmap_file_data(const lmap_file& store, const lmap_entry& entry) {
    if (!entry_fits(entry, store.data.size())) return nullptr;
    return store.data.data() + entry.offset;
}

const uint8_t* lmap_file_data(const lmap_file& store, int32_t id) {
    if (!lmap_file_has(store, id)) return nullptr;
    return lmap_file_data(store, lmap_file_entry(store, id));
}

void lmap_file_clear(lmap_file& store) {
    store.data.clear();
    store.data.shrink_to_fit();
    store.table.clear();
}

void lmap_file_assign(lmap_file& store, const lmap_file& other) {
    if (&store == &other) return;
    lmap_file_clear(store);
    store.data = other.data;
    store.table.insert(store.table.end(), other.table.begin(), other.table.end());
}

// ---- Page packing ----

namespace {

constexpr int64_t kWhiteArea = int64_t{kLmapWhiteSide} * kLmapWhiteSide;

// A face record as the packing sees it: an id the source store cannot show is "no light map" (-1,
// side 1), and the side of a real one is its entry's.
struct work_record {
    lmap_face_record* record;
    int32_t id;
    int32_t side;
};

using work_group = std::vector<work_record>;

// Area of the groups on one page: each light map once, the white block once.
struct page_area {
    std::set<int32_t> seen;
    bool white = false;

    int64_t add(const work_group& group) {
        int64_t area = 0;
        for (const work_record& r : group) {
            if (r.id < 0) {
                if (!white) area += kWhiteArea;
                white = true;
            } else if (seen.insert(r.id).second) {
                area += int64_t{r.side} * r.side;
            }
        }
        return area;
    }

    void reset() {
        seen.clear();
        white = false;
    }
};

// The smallest power of two (2 or more) whose square holds the area; 1 for an area up to 1.
int32_t page_side_for(int64_t area) {
    if (area <= 1) return 1;
    int64_t q = 2;
    while (q * q < area) q *= 2;
    return static_cast<int32_t>(q);
}

// Rows of images of falling sides, each row filled column by column.
struct page_cursor {
    int32_t x = 0;
    int32_t y = 0;
    int32_t row_bottom = 0;
    int32_t row_height = 0;
    int32_t column_right = 0;
    int32_t column_width = 0;
};

// Copies an s x s image (null: the white block) at the cursor and advances it; false, with the
// page and cursor untouched, when the square does not lie inside the page.
bool page_put(page_cursor& c, std::vector<uint8_t>& page, int32_t side, int32_t s, const uint8_t* image) {
    if (s <= 0 || c.x < 0 || c.y < 0 || int64_t{c.x} + s > side || int64_t{c.y} + s > side) return false;
    for (int32_t row = 0; row < s; ++row) {
        uint8_t* to =
            page.data() + static_cast<std::size_t>(c.y + row) * static_cast<std::size_t>(side) + c.x;
        if (image)
            mem_copy(to, image + static_cast<std::size_t>(row) * static_cast<std::size_t>(s),
                     static_cast<std::size_t>(s));
        else
            std::memset(to, kLmapWhite, static_cast<std::size_t>(s));
    }
    if (c.x == 0) {
        c.row_height = s;
        c.row_bottom += s;
    }
    const int32_t top = c.row_bottom - c.row_height;
    if (c.y == top) {
        c.column_width = s;
        c.column_right += s;
    }
    c.x += s;
    if (c.x == c.column_right) {
        c.y += s;
        c.x = c.column_right - c.column_width;
    }
    if (c.y == c.row_bottom) {
        c.x = c.column_right;
        if (c.column_right == side) {
            c.x = 0;
            c.column_right = 0;
        } else {
            c.y = top;
        }
    }
    return true;
}

affine2 placement_at(int32_t s, int32_t x, int32_t y, int32_t side) {
    const float page = static_cast<float>(side);
    return affine2{static_cast<float>(s) / page, 0.0f,
                   static_cast<float>(x) / page, 0.0f,
                   static_cast<float>(s) / page, static_cast<float>(y) / page};
}

// Vertices already moved into a page by this packing, by binding.
using moved_vertices = std::set<std::pair<const lmap_binding*, uint16_t>>;

// Moves the face's vertices into their square; a vertex shared with a face placed before keeps the
// page and coordinates it got then.
void point_face(const work_record& r, int32_t page_index, const affine2& placement, bool white,
                moved_vertices& moved) {
    lmap_binding& b = *r.record->binding;
    uint8_t fresh = 0;
    for (int i = 0; i < 3; ++i)
        if (moved.insert({&b, r.record->face[i]}).second) fresh |= static_cast<uint8_t>(1u << i);
    if (white) {
        // Faces whose light map cannot be shown sample the middle of the white block.
        for (int i = 0; i < 3; ++i) {
            const uint16_t vertex = r.record->face[i];
            if (((fresh >> i) & 1u) && vertex < b.coords.size()) b.coords[vertex] = {0.5f, 0.5f};
        }
    }
    lmap_binding_set_page(b, r.record->face, page_index, fresh);
    lmap_binding_transform(b, r.record->face, placement, fresh);
}

// Larger side first, then smaller id; the records of one light map end up side by side.
bool lays_out_before(const work_record& a, const work_record& b) {
    if (a.side != b.side) return a.side > b.side;
    return a.id < b.id;
}

void lay_out_page(const lmap_file& source, lmap_file& target, std::vector<work_record>& pending, int32_t side,
                  moved_vertices& moved) {
    std::sort(pending.begin(), pending.end(), lays_out_before);
    const int32_t page_index = static_cast<int32_t>(target.table.size());
    target.page.assign(static_cast<std::size_t>(side) * static_cast<std::size_t>(side), 0);
    target.page_side = side;
    target.page_offset = static_cast<int32_t>(target.data.size());

    page_cursor cursor;
    std::set<int32_t> placed;
    bool white_placed = false;
    affine2 white_placement = placement_at(0, 0, 0, side);
    auto place_white = [&] {
        if (white_placed) return;
        white_placed = true;
        const page_cursor at = cursor;
        if (page_put(cursor, target.page, side, kLmapWhiteSide, nullptr))
            white_placement = placement_at(kLmapWhiteSide, at.x, at.y, side);
        else
            log_write("[LM] *WARNING* No room for the white block on page %d.\n", page_index);
    };

    for (std::size_t i = 0; i < pending.size(); ++i) {
        const work_record& r = pending[i];
        if (r.id < 0) {
            place_white();
            point_face(r, page_index, white_placement, true, moved);
            continue;
        }
        if (!placed.insert(r.id).second) continue;
        const page_cursor at = cursor;
        bool white = false;
        affine2 placement;
        if (page_put(cursor, target.page, side, r.side, lmap_file_data(source, r.id))) {
            placement = placement_at(r.side, at.x, at.y, side);
        } else {
            log_write("[LM] *WARNING* Light map %d does not fit on page %d: its faces get the white block.\n",
                      r.id, page_index);
            place_white();
            placement = white_placement;
            white = true;
        }
        for (std::size_t j = i; j < pending.size() && pending[j].id == r.id; ++j)
            point_face(pending[j], page_index, placement, white, moved);
    }

    target.data.insert(target.data.end(), target.page.begin(), target.page.end());
    target.table.push_back({target.page_offset, side});
    target.page.clear();
    target.page.shrink_to_fit();
    target.page_offset = -1;
    target.page_side = 0;
}

}  // namespace

void lmap_pack(const lmap_file& source, lmap_file& target, lmap_face_groups& groups, int32_t max_side) {
    std::vector<work_group> work;
    work.reserve(groups.size());
    int64_t total = 0;
    for (auto& [key, records] : groups) {
        work_group& group = work.emplace_back();
        group.reserve(records.size());
        for (lmap_face_record& record : records) {
            if (lmap_file_has(source, record.id))
                group.push_back({&record, record.id, lmap_file_entry(source, record.id).side});
            else
                group.push_back({&record, -1, 1});
            total += int64_t{group.back().side} * group.back().side;
        }
    }
    if (total == 0) return;

    int64_t p = 1;
    do p *= 2;
    while (p * p < total);
    if ((p * p) % total > 1024) p /= 2;
    int64_t limit = std::min<int64_t>(p, std::max(max_side, 1));

    // Page sides. A group always goes whole onto one page; its area is counted afresh when it
    // opens a page, since light maps seen on the page before are not on the new one.
    std::vector<int32_t> sides;
    page_area counter;
    int64_t area = 0;
    for (const work_group& group : work) {
        int64_t g = counter.add(group);
        if (area + g > limit * limit) {
            if (area > 0) {
                sides.push_back(page_side_for(area));
                counter.reset();
                area = 0;
                g = counter.add(group);
            } else {
                limit *= 2;
            }
        }
        area += g;
    }
    if (area > 0) sides.push_back(page_side_for(area));

    // Placement: the same walk with the pages' real sides.
    std::vector<work_record> pending;
    moved_vertices moved;
    counter.reset();
    area = 0;
    std::size_t k = 0;
    auto side_of = [&](std::size_t page) { return page < sides.size() ? sides[page] : page_side_for(area); };
    for (const work_group& group : work) {
        int64_t g = counter.add(group);
        const int64_t side = side_of(k);
        if (side * side < area + g && area > 0) {
            lay_out_page(source, target, pending, side_of(k), moved);
            pending.clear();
            counter.reset();
            area = 0;
            ++k;
            g = counter.add(group);
        }
        pending.insert(pending.end(), group.begin(), group.end());
        area += g;
    }
    if (!pending.empty()) lay_out_page(source, target, pending, side_of(k), moved);
}

}  // namespace kv
