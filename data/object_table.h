#pragma once
// The tables of objects that packages and package objects hold, in file order. An object that a
// file lists twice (a chunk referenced from two places) is built once: the table that built it
// keeps it in `storage` and destroys it with itself; every other listing only points at it.

#include <cstdint>
#include <memory>
#include <vector>

namespace kv {

template <class T>
struct object_table {
    bool owns = false;
    std::vector<T*> items;
    std::vector<std::unique_ptr<T>> storage;
};

template <class T>
void object_table_clear(object_table<T>& table) {
    table.items.clear();
    table.storage.clear();
    table.owns = false;
}

template <class T>
int32_t object_table_count(const object_table<T>& table) {
    return static_cast<int32_t>(table.items.size());
}

// Appends an object the table owns from now on.
template <class T>
T* object_table_add_owned(object_table<T>& table, std::unique_ptr<T> object) {
    T* raw = object.get();
    table.items.push_back(raw);
    table.storage.push_back(std::move(object));
    table.owns = true;
    return raw;
}

// Appends an object that belongs to someone else.
template <class T>
void object_table_add_shared(object_table<T>& table, T* object) {
    table.items.push_back(object);
}

// The position of the object in the table (pointer identity), -1 when absent.
template <class T>
int32_t object_table_index_of(const object_table<T>& table, const T* object) {
    for (std::size_t i = 0; i < table.items.size(); ++i) {
        if (table.items[i] == object) return static_cast<int32_t>(i);
    }
    return -1;
}

// Destroys the object at position i when the table owns it and lists it nowhere else (it stays
// listed at i).
template <class T>
void object_table_release(object_table<T>& table, std::size_t i) {
    T* object = table.items[i];
    for (std::size_t j = 0; j < table.items.size(); ++j) {
        if (j != i && table.items[j] == object) return;
    }
    for (auto it = table.storage.begin(); it != table.storage.end(); ++it) {
        if (it->get() == object) {
            table.storage.erase(it);
            return;
        }
    }
}

// Puts an owned object at position i in place of the one there (destroyed when the table owned it).
template <class T>
T* object_table_replace(object_table<T>& table, std::size_t i, std::unique_ptr<T> object) {
    object_table_release(table, i);
    T* raw = object.get();
    table.items[i] = raw;
    table.storage.push_back(std::move(object));
    table.owns = true;
    return raw;
}

// Removes position i, destroying the object when the table owned it; later items move down.
template <class T>
void object_table_erase(object_table<T>& table, std::size_t i) {
    object_table_release(table, i);
    table.items.erase(table.items.begin() + static_cast<std::ptrdiff_t>(i));
}

}  // namespace kv
