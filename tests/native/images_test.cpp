// The drawn tool icon: the exact file format the program relies on, the same
// bytes in the icon file and in the embedded copy, and the look it promises.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (FILE* const file = std::fopen(path.c_str(), "rb")) {
        uint8_t chunk[4096];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
            bytes.insert(bytes.end(), chunk, chunk + n);
        std::fclose(file);
    }
    return bytes;
}

uint32_t U16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t U32(const std::vector<uint8_t>& b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

struct Pixel {
    uint8_t b, g, r, a;
};

// Image rows are stored bottom-up after the 40-byte header.
Pixel At(const std::vector<uint8_t>& icon, int x, int y) {
    size_t const at = 22 + 40 + ((63 - y) * 64 + x) * 4;
    return {icon[at], icon[at + 1], icon[at + 2], icon[at + 3]};
}

class ToolIcon : public ::testing::Test {
protected:
    std::vector<uint8_t> icon = ReadFile(std::string(ZENA_GENERATED_DIR) + "/zena.ico");
};

TEST_F(ToolIcon, HasTheExactOneEntryFormat) {
    ASSERT_EQ(icon.size(), 16958u);
    EXPECT_EQ(U16(icon, 0), 0u);    // reserved
    EXPECT_EQ(U16(icon, 2), 1u);    // icon
    EXPECT_EQ(U16(icon, 4), 1u);    // one entry
    EXPECT_EQ(icon[6], 64);         // width
    EXPECT_EQ(icon[7], 64);         // height
    EXPECT_EQ(U16(icon, 12), 32u);  // bits per pixel
    EXPECT_EQ(U32(icon, 14), 16936u);
    EXPECT_EQ(U32(icon, 18), 22u);
    EXPECT_EQ(U32(icon, 22), 40u);   // BITMAPINFOHEADER
    EXPECT_EQ(U32(icon, 26), 64u);   // width at image offset 4
    EXPECT_EQ(U32(icon, 30), 128u);  // twice the height at image offset 8
    EXPECT_EQ(U16(icon, 36), 32u);
}

TEST_F(ToolIcon, EmbeddedCopyIsTheSameFile) {
    std::vector<uint8_t> const text =
        ReadFile(std::string(ZENA_GENERATED_DIR) + "/tool_icon_bytes.cpp");
    std::string const source(text.begin(), text.end());
    std::string expected;
    for (size_t i = 0; i < icon.size(); ++i) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02x,", icon[i]);
        expected += hex;
    }
    std::string digits;
    for (char c : source.substr(source.find('{') + 1))
        if (c != '\n' && c != '}' && c != ';') digits += c;
    EXPECT_EQ(digits, expected);
}

TEST_F(ToolIcon, IsASkyBlueTileWithTransparentCornersAndANearWhiteMark) {
    ASSERT_EQ(icon.size(), 16958u);
    Pixel const corner = At(icon, 0, 0);
    EXPECT_EQ(corner.a, 0) << "rounded corners are transparent";
    Pixel const edge = At(icon, 32, 2);  // inside the tile, outside the ring
    EXPECT_EQ(edge.a, 255);
    EXPECT_EQ(edge.r, 0x5F);
    EXPECT_EQ(edge.g, 0xA6);
    EXPECT_EQ(edge.b, 0xD0);
    // The ring at its left and its top, and the gap at its upper right.
    for (auto [x, y] : {std::pair{7, 32}, std::pair{32, 7}}) {
        Pixel const ring = At(icon, x, y);
        EXPECT_EQ(ring.r, 0xF8) << x << "," << y;
        EXPECT_EQ(ring.b, 0xF8) << x << "," << y;
    }
    Pixel const gap = At(icon, 50, 14);
    EXPECT_EQ(gap.r, 0x5F) << "the ring is broken at its upper right";
    // The AND mask marks exactly the fully transparent pixels.
    size_t const mask = 22 + 40 + 64 * 64 * 4;
    EXPECT_EQ(icon[mask + 63 * 8] & 0x80, 0x80) << "top-left pixel masked";
    EXPECT_EQ(icon[mask + 31 * 8 + 4] & 0x80, 0) << "centre pixel not masked";
}

}  // namespace
