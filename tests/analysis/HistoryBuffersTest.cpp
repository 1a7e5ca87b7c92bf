// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/HistoryBuffers.h"

#include "tests/analysis/AnalysisTestSupport.h"

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
            std::generate(source.begin(), source.end(), [&] { return byte(random); });
            std::fill(words.begin(), words.end(), ~std::uint64_t{0});
            HistoryStoreBytes(shared + offset, source.data(), length);
            std::vector<std::uint8_t> want(words.size() * 8, 0xFF);
            std::copy(source.begin(), source.end(), want.begin() + offset);
            ASSERT_EQ(std::vector(shared, shared + want.size()), want)
                << "offset " << offset << " length " << length;
            std::vector<std::uint8_t> back(length + 1, 0xAB);
            HistoryLoadBytes(back.data(), shared + offset, length);
            source.push_back(0xAB); // the byte after the copy stays
            ASSERT_EQ(back, source);
        }
    }
}
