#pragma once

#include <bit>
#include <type_traits>

// The lighting records are stored and compared as raw bytes. Their multi-byte fields are
// little-endian in files and on the wire, which holds only on a little-endian machine.
static_assert(std::endian::native == std::endian::little,
              "lighting records are stored as raw little-endian bytes");

// A record that is copied, stored and compared byte for byte: fixed size, no hidden padding (so
// equal values have equal bytes), safe to memcpy.
#define LUMETTA_PLAIN_BLOCK(T, size)                                                               \
    static_assert(sizeof(T) == (size));                                                            \
    static_assert(std::is_trivially_copyable_v<T> && std::is_standard_layout_v<T>);                \
    static_assert(std::has_unique_object_representations_v<T>)
