#include "document/image_headers.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::string;

std::optional<MQO::ImageSize> size_of(Bytes const& file)
{
    return MQO::declared_image_size([&file](std::uint64_t offset, std::size_t size, unsigned char* out) {
        if (offset >= file.size())
            return std::size_t(0);
        std::size_t const n = std::min<std::size_t>(size, file.size() - std::size_t(offset));
        std::memcpy(out, file.data() + offset, n);
        return n;
    });
}

Bytes be(std::uint64_t value, int size)
{
    Bytes out;
    for (int i = size - 1; i >= 0; --i)
        out += char((value >> (8 * i)) & 0xFF);
    return out;
}

Bytes le(std::uint64_t value, int size)
{
    Bytes out;
    for (int i = 0; i < size; ++i)
        out += char((value >> (8 * i)) & 0xFF);
    return out;
}

Bytes at(Bytes head, std::size_t offset, Bytes const& value)
{
    if (head.size() < offset + value.size())
        head.resize(offset + value.size(), '\0');
    head.replace(offset, value.size(), value);
    return head;
}

Bytes const png = Bytes("\x89PNG\r\n\x1a\n", 8) + be(13, 4) + "IHDR" + be(30000, 4) + be(20000, 4) + "\x08\x06" +
                  Bytes(7, '\0');
Bytes const jpeg = Bytes("\xff\xd8", 2) + "\xff\xe1" + be(6, 2) + "Exif" + "\xff\xff" + "\xff\xc2" + be(11, 2) +
                   "\x08" + be(20000, 2) + be(30000, 2) + "\x03";
Bytes const bmp = at(at(at("BM", 14, le(40, 4)), 18, le(30000, 4)), 22, le(std::uint32_t(-20000), 4));
Bytes const tiff = Bytes("II*\0", 4) + le(8, 4) + le(3, 2) + le(256, 2) + le(4, 2) + le(1, 4) + le(30000, 4) +
                   le(257, 2) + le(3, 2) + le(1, 4) + le(20000, 4) + le(258, 2) + le(3, 2) + le(1, 4) + le(16, 4);
Bytes const hdr = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 20000 +X 30000\n";
Bytes const exr = Bytes("\x76\x2f\x31\x01\x02\0\0\0", 8) + Bytes("channels\0chlist\0", 16) + le(1, 4) + '\0' +
                  Bytes("dataWindow\0box2i\0", 17) + le(16, 4) + le(0, 4) + le(0, 4) + le(29999, 4) + le(19999, 4) +
                  '\0';
Bytes const psd = at(at(at(Bytes("8BPS\0\1", 6), 14, be(20000, 4)), 18, be(30000, 4)), 22, be(8, 2));
Bytes const tga = at(at(at(Bytes("\0\0\2", 3), 12, le(30000, 2)), 14, le(20000, 2)), 16, "\x20\x08");

struct Case
{
    const char* format;
    Bytes file;
    std::uint64_t bytes_per_pixel;
};

TEST(ImageHeadersTest, EachFormatDeclaresItsSize)
{
    Case const cases[] = {
        {"PNG", png, 4},
        {"PNG, 16 bits", at(png, 24, "\x10"), 16},
        {"JPEG, after fill bytes and an Exif segment", jpeg, 4},
        {"BMP, rows from the top", bmp, 4},
        {"BMP, OS/2", at(at(at("BM", 14, le(12, 4)), 18, le(30000, 2)), 20, le(20000, 2)), 4},
        {"GIF", at(at("GIF89a", 6, le(30000, 2)), 8, le(20000, 2)), 4},
        {"TIFF, 16 bits", tiff, 16},
        {"TIFF, big-endian", Bytes("MM\0*", 4) + be(8, 4) + be(2, 2) + be(256, 2) + be(4, 2) + be(1, 4) +
                                 be(30000, 4) + be(257, 2) + be(4, 2) + be(1, 4) + be(20000, 4), 4},
        {"DDS", at(at("DDS ", 12, le(20000, 4)), 16, le(30000, 4)), 4},
        {"Radiance", hdr, 16},
        {"Radiance, columns first", "#?RGBE\n\n+X 30000 -Y 20000\n", 16},
        {"OpenEXR", exr, 16},
        {"SGI", at(at(Bytes("\x01\xda\x01\x01", 4), 6, be(30000, 2)), 8, be(20000, 2)), 4},
        {"DPX", at(at("SDPX", 772, be(30000, 4)), 776, be(20000, 4)), 16},
        {"DPX, little-endian", at(at("XPDS", 772, le(30000, 4)), 776, le(20000, 4)), 16},
        {"Cineon", at(at(Bytes("\x80\x2a\x5f\xd7", 4), 200, be(30000, 4)), 204, be(20000, 4)), 16},
        {"Photoshop", psd, 4},
        {"Targa", tga, 4},
    };
    for (Case const& c : cases) {
        std::optional<MQO::ImageSize> const size = size_of(c.file);
        ASSERT_TRUE(size) << c.format;
        EXPECT_EQ(size->width, 30000u) << c.format;
        EXPECT_EQ(size->height, 20000u) << c.format;
        EXPECT_EQ(size->bytes_per_pixel, c.bytes_per_pixel) << c.format;
    }
}

TEST(ImageHeadersTest, AHeaderCutShortOrUnknownDeclaresNothing)
{
    Case const cases[] = {
        {"PNG", png.substr(0, 20), 0},
        {"JPEG", jpeg.substr(0, jpeg.size() - 3), 0},
        {"JPEG, image data before a frame header", Bytes("\xff\xd8\xff\xda", 4) + be(2, 2), 0},
        {"JPEG, a segment shorter than its length", Bytes("\xff\xd8\xff\xe0", 4) + be(1, 2), 0},
        {"BMP", bmp.substr(0, 20), 0},
        {"TIFF, a directory past the end", Bytes("II*\0", 4) + le(1u << 30, 4), 0},
        {"Radiance, no resolution", "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n", 0},
        {"OpenEXR, an attribute longer than the file", exr.substr(0, 40) + le(1u << 31, 4), 0},
        {"OpenEXR, an empty window", at(exr, 8 + 16 + 4 + 1 + 17 + 4 + 8, le(std::uint32_t(-5), 4)), 0},
        {"Photoshop", psd.substr(0, 16), 0},
        {"text", "Metasequoia Document\n", 0},
        {"nothing", "", 0},
    };
    for (Case const& c : cases)
        EXPECT_FALSE(size_of(c.file)) << c.format;
}

TEST(ImageHeadersTest, DecodedBytesSaturate)
{
    EXPECT_EQ((MQO::ImageSize{30000, 20000, 4}.decoded_bytes()), 2400000000u);
    EXPECT_EQ((MQO::ImageSize{1ull << 40, 1ull << 40, 16}.decoded_bytes()), ~std::uint64_t(0));
    EXPECT_EQ((MQO::ImageSize{0, 1ull << 40, 16}.decoded_bytes()), 0u);
}

}  // namespace
