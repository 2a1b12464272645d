#pragma once

#include <cstddef>
#include <functional>

namespace fen {

// Mixes the hash of `value` into `seed`, so that records hash over their fields in order.
template <typename T> void hashCombine(std::size_t& seed, const T& value) {
    seed ^= std::hash<T>{}(value) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

} // namespace fen
