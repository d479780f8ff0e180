#pragma once
// Checked lookups that fail with the standard library's texts as the system reports them
// ("invalid unordered_map<K, T> key", "invalid bitset position"), whatever library is in use.
#include <bitset>
#include <cstddef>
#include <stdexcept>

// map.at(key) for any map type, throwing std::out_of_range "invalid unordered_map<K, T> key".
template <class Map> auto& gf_mapAt(Map& map, const typename Map::key_type& key) {
    const auto found = map.find(key);
    if (found == map.end()) {
        throw std::out_of_range("invalid unordered_map<K, T> key");
    }
    return found->second;
}

// Throws std::out_of_range "invalid bitset position" unless position < N.
template <std::size_t N> void gf_checkBitsetPosition(std::size_t position) {
    if (position >= N) {
        throw std::out_of_range("invalid bitset position");
    }
}

// bits.test(position) with the checked position.
template <std::size_t N> bool gf_bitTest(const std::bitset<N>& bits, std::size_t position) {
    gf_checkBitsetPosition<N>(position);
    return bits[position];
}

// bits.set(position, value) with the checked position.
template <std::size_t N>
void gf_bitSet(std::bitset<N>& bits, std::size_t position, bool value = true) {
    gf_checkBitsetPosition<N>(position);
    bits[position] = value;
}
