#include "analysis/HistoryBuffers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

// The copies split rows into whole words and single bytes; every alignment
// and length must come out exact and leave the neighbouring bytes alone.
TEST(HistoryBuffers, ByteCopiesAreExactAtEveryAlignmentAndLength) {
    std::mt19937 random(42);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<std::uint64_t> words(16);
    auto* shared = reinterpret_cast<std::uint8_t*>(words.data());
    for (std::size_t offset = 0; offset < 16; ++offset) {
        for (std::size_t length = 0; length <= 40; ++length) {
            std::vector<std::uint8_t> source(length);
            for (auto& b : source)
                b = static_cast<std::uint8_t>(byte(random));
            std::fill(words.begin(), words.end(), ~std::uint64_t{0});
            HistoryStoreBytes(shared + offset, source.data(), length);
            for (std::size_t i = 0; i < words.size() * 8; ++i) {
                const bool inside = i >= offset && i < offset + length;
                ASSERT_EQ(shared[i], inside ? source[i - offset] : 0xFF)
                    << "offset " << offset << " length " << length << " byte " << i;
            }
            std::vector<std::uint8_t> back(length + 1, 0xAB);
            HistoryLoadBytes(back.data(), shared + offset, length);
            ASSERT_EQ(std::vector<std::uint8_t>(back.begin(), back.end() - 1), source);
            ASSERT_EQ(back[length], 0xAB);
        }
    }
}
