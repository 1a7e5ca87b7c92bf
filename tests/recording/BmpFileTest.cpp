// The BMP file header and file bytes, against the layout computed here by
// hand for a width whose rows need padding.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "base/BitmapInfoHeader.h"
#include "recording/BmpFile.h"

namespace fs = std::filesystem;

TEST(BmpFile, FileIsHeaderThenTheWholeDibWithPaddedRows) {
    // 5 pixels of 3 bytes need 1 byte of padding per row: 16-byte rows.
    SBitmapInfoHeader info;
    info.biWidth = 5;
    info.biHeight = 3;
    info.biSizeImage = 16 * 3;
    ASSERT_EQ(DibRowBytes(5), 16u);
    std::vector<std::uint8_t> dib(40 + info.biSizeImage);
    std::memcpy(dib.data(), &info, 40);
    for (std::size_t i = 40; i < dib.size(); ++i)
        dib[i] = static_cast<std::uint8_t>(i * 7);

    const fs::path path = fs::temp_directory_path() / "vireon-bmpfile-test.bmp";
    ASSERT_TRUE(WriteBmpFile(path.string(),
                             MakeBmpFileHeader(static_cast<std::uint32_t>(dib.size())), dib.data(),
                             dib.size()));
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)), {});
    fs::remove(path);

    const std::uint32_t total = 14 + 40 + 48;
    const std::vector<std::uint8_t> header = {'B', 'M', total & 0xff, total >> 8, 0, 0, 0, 0,
                                              0,   0,   54,           0,          0, 0};
    ASSERT_EQ(file.size(), total);
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin(), file.begin() + 14), header);
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 14, file.end()), dib);
}
