#pragma once
// Pixel counts by colour key (red * 65536 + green * 256 + blue). A colour
// never counted has the count 0. Counts live in one flat table over every
// possible key, so counting is one increment; the table comes from calloc,
// so only the pages of colours that occur are ever touched.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

class ColorHistogram {
public:
    static constexpr std::uint32_t kKeys = 1u << 24;

    // Throws exec_error when the table cannot be had.
    ColorHistogram();

    static std::uint32_t key(int red, int green, int blue) {
        return static_cast<std::uint32_t>(red) << 16 | static_cast<std::uint32_t>(green) << 8 |
               static_cast<std::uint32_t>(blue);
    }

    void add(std::uint32_t key) {
        if (counts_[key]++ == 0) keys_.push_back(key);
    }
    std::uint32_t count(std::uint32_t key) const { return counts_[key]; }
    // Every key counted at least once, in the order first counted.
    const std::vector<std::uint32_t>& keys() const { return keys_; }

private:
    struct Free {
        void operator()(std::uint32_t* p) const { std::free(p); }
    };
    std::unique_ptr<std::uint32_t[], Free> counts_;
    std::vector<std::uint32_t> keys_;
};
