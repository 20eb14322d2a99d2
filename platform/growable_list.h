// A growable array of plain values on the C heap. It is all the engine and
// the sweep need of std::vector, without the C++ runtime's exception
// machinery, which would triple the size of the static 32-bit exe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <type_traits>

template <typename T>
struct GrowableList {
    static_assert(std::is_trivially_copyable_v<T>, "items are moved by realloc");
    T* items = nullptr;
    size_t count = 0;
    size_t capacity = 0;
};

// False, with the list unchanged, when the memory cannot be had.
template <typename T>
bool Append(GrowableList<T>& list, const T& item) {
    // The items may be pointers themselves (the hotkey table's are): the
    // size of one item is what is meant.
    constexpr size_t item_size = sizeof(T);  // NOLINT(bugprone-sizeof-expression)
    if (list.count == list.capacity) {
        size_t const capacity = list.capacity ? list.capacity * 2 : 8;
        if (capacity > SIZE_MAX / item_size) return false;
        void* const grown = std::realloc(list.items, capacity * item_size);
        if (!grown) return false;
        list.items = static_cast<T*>(grown);
        list.capacity = capacity;
    }
    list.items[list.count++] = item;
    return true;
}

template <typename T>
void Release(GrowableList<T>& list) {
    std::free(list.items);
    list = GrowableList<T>{};
}
