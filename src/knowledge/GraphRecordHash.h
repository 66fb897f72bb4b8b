#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

// Hashing shared by the graph's node and edge records: every field in
// declaration order, so two records that differ anywhere almost surely differ.
namespace qm::graphhash {

inline void combine(std::size_t& seed, std::size_t value)
{
    seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

inline void addText(std::size_t& seed, std::string_view text)
{
    combine(seed, std::hash<std::string_view>{}(text));
}

// The bit pattern, with -0 folded onto +0 so that equal times hash equally.
inline void addTime(std::size_t& seed, double time)
{
    const double folded = time == 0.0 ? 0.0 : time;
    combine(seed, std::hash<std::uint64_t>{}(std::bit_cast<std::uint64_t>(folded)));
}

// The map iterates in key order, so the insertion order of its pairs never matters.
inline void addProperties(std::size_t& seed, const std::map<std::string, std::string>& properties)
{
    combine(seed, properties.size());
    for (const auto& [key, value] : properties) {
        addText(seed, key);
        addText(seed, value);
    }
}

}  // namespace qm::graphhash
