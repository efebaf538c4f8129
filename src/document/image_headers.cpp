#include "document/image_headers.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <vector>

namespace MQO {

std::uint64_t ImageSize::decoded_bytes() const
{
    std::uint64_t const most = std::numeric_limits<std::uint64_t>::max();
    if (width == 0 || height == 0)
        return 0;
    if (height > most / width || width * height > most / bytes_per_pixel)
        return most;
    return width * height * bytes_per_pixel;
}

namespace {

// Every read goes through the reader with its own offset and length, so
// nothing is read past what the file holds.
class Header
{
public:
    explicit Header(ByteReader const& read) : read_(read) {}

    bool bytes(std::uint64_t offset, std::size_t size, unsigned char* out) const
    {
        return read_(offset, size, out) == size;
    }

    // An unsigned number of `size` bytes at `offset`, big- or little-endian.
    std::optional<std::uint64_t> number(std::uint64_t offset, std::size_t size, bool big_endian) const
    {
        std::array<unsigned char, 4> buffer{};
        if (size > buffer.size() || !bytes(offset, size, buffer.data()))
            return std::nullopt;
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < size; ++i)
            value |= std::uint64_t(buffer[big_endian ? size - 1 - i : i]) << (8 * i);
        return value;
    }

    std::optional<std::uint64_t> be16(std::uint64_t offset) const { return number(offset, 2, true); }
    std::optional<std::uint64_t> be32(std::uint64_t offset) const { return number(offset, 4, true); }
    std::optional<std::uint64_t> le16(std::uint64_t offset) const { return number(offset, 2, false); }
    std::optional<std::uint64_t> le32(std::uint64_t offset) const { return number(offset, 4, false); }

    // Up to `size` bytes from the start.
    std::vector<unsigned char> prefix(std::size_t size) const
    {
        std::vector<unsigned char> out(size);
        out.resize(read_(0, size, out.data()));
        return out;
    }

private:
    ByteReader const& read_;
};

std::optional<ImageSize> sized(std::optional<std::uint64_t> width, std::optional<std::uint64_t> height,
                               std::uint64_t bytes_per_pixel = 4)
{
    if (!width || !height)
        return std::nullopt;
    return ImageSize{*width, *height, bytes_per_pixel};
}

std::uint64_t signed32(std::uint64_t value)
{
    std::int64_t const as_signed = std::int64_t(std::int32_t(std::uint32_t(value)));
    return std::uint64_t(as_signed < 0 ? -as_signed : as_signed);
}

std::optional<ImageSize> png_size(Header const& header)
{
    auto const depth = header.number(24, 1, true);
    return sized(header.be32(16), header.be32(20), depth && *depth > 8 ? 16 : 4);
}

// JPEG: the segments are walked to the first frame header.
std::optional<ImageSize> jpeg_size(Header const& header)
{
    std::uint64_t at = 2;
    for (int segments = 0; segments < 100000; ++segments) {
        std::array<unsigned char, 9> s{};
        if (!header.bytes(at, 4, s.data()) || s[0] != 0xFF)
            return std::nullopt;
        unsigned const marker = s[1];
        if (marker == 0xFF) {  // fill byte
            at += 1;
            continue;
        }
        bool const frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (!header.bytes(at, s.size(), s.data()))
                return std::nullopt;
            return ImageSize{std::uint64_t(s[7]) << 8 | s[8], std::uint64_t(s[5]) << 8 | s[6], 4};
        }
        if (marker == 0xD9 || marker == 0xDA)  // the image's end, or its data before any frame header
            return std::nullopt;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            at += 2;
            continue;
        }
        std::uint64_t const length = std::uint64_t(s[2]) << 8 | s[3];
        if (length < 2)
            return std::nullopt;
        at += 2 + length;
    }
    return std::nullopt;
}

std::optional<ImageSize> bmp_size(Header const& header)
{
    auto const info = header.le32(14);
    if (!info)
        return std::nullopt;
    if (*info == 12)
        return sized(header.le16(18), header.le16(20));
    auto const width = header.le32(18);
    auto const height = header.le32(22);
    if (!width || !height)
        return std::nullopt;
    return ImageSize{signed32(*width), signed32(*height), 4};
}

// TIFF: the first directory's width, height and bits per sample.
std::optional<ImageSize> tiff_size(Header const& header, bool big_endian)
{
    auto const directory = header.number(4, 4, big_endian);
    if (!directory)
        return std::nullopt;
    auto const entries = header.number(*directory, 2, big_endian);
    if (!entries)
        return std::nullopt;
    std::optional<std::uint64_t> width, height;
    std::uint64_t bits = 8;
    for (std::uint64_t i = 0; i < std::min<std::uint64_t>(*entries, 4096); ++i) {
        std::uint64_t const entry = *directory + 2 + 12 * i;
        auto const tag = header.number(entry, 2, big_endian);
        auto const type = header.number(entry + 2, 2, big_endian);
        if (!tag || !type)
            return std::nullopt;
        std::optional<std::uint64_t> const value =
            *type == 3 ? header.number(entry + 8, 2, big_endian) : *type == 4 ? header.number(entry + 8, 4, big_endian)
                                                                             : std::nullopt;
        if (*tag == 256)
            width = value;
        else if (*tag == 257)
            height = value;
        else if (*tag == 258 && value && *type == 3 && header.number(entry + 4, 4, big_endian) == 1u)
            bits = *value;
    }
    return sized(width, height, bits > 8 ? 16 : 4);
}

// Radiance: text lines, an empty line, then the resolution ("-Y rows +X
// columns", or with the axes the other way round).
std::optional<ImageSize> radiance_size(Header const& header)
{
    std::vector<unsigned char> const text = header.prefix(65536);
    std::string const all(text.begin(), text.end());
    std::size_t const blank = all.find("\n\n");
    if (blank == std::string::npos)
        return std::nullopt;
    std::string const line = all.substr(blank + 2, all.find('\n', blank + 2) - (blank + 2));
    char first_axis[3] = {};
    char second_axis[3] = {};
    unsigned long long first = 0, second = 0;
    if (std::sscanf(line.c_str(), "%2s %llu %2s %llu", first_axis, &first, second_axis, &second) != 4)
        return std::nullopt;
    bool const rows_first = first_axis[1] == 'Y';
    return ImageSize{rows_first ? second : first, rows_first ? first : second, 16};
}

// OpenEXR: the attributes of the (first) header, up to its "dataWindow".
std::optional<ImageSize> openexr_size(Header const& header)
{
    std::vector<unsigned char> const bytes = header.prefix(1 << 20);
    std::size_t at = 8;
    auto text = [&](std::size_t& from) -> std::optional<std::string> {
        auto const end = std::find(bytes.begin() + std::ptrdiff_t(std::min(from, bytes.size())), bytes.end(), 0);
        if (end == bytes.end())
            return std::nullopt;
        std::string const found(bytes.begin() + std::ptrdiff_t(from), end);
        from = std::size_t(end - bytes.begin()) + 1;
        return found;
    };
    auto le32_at = [&](std::size_t offset) {
        return std::uint64_t(bytes[offset]) | std::uint64_t(bytes[offset + 1]) << 8 |
               std::uint64_t(bytes[offset + 2]) << 16 | std::uint64_t(bytes[offset + 3]) << 24;
    };
    while (at < bytes.size()) {
        auto const name = text(at);
        if (!name || name->empty())
            return std::nullopt;
        auto const type = text(at);
        if (!type || at + 4 > bytes.size())
            return std::nullopt;
        std::uint64_t const size = le32_at(at);
        at += 4;
        if (size > bytes.size() - at)
            return std::nullopt;
        if (*name == "dataWindow" && *type == "box2i" && size == 16) {
            auto const corner = [&](std::size_t i) { return std::int64_t(std::int32_t(std::uint32_t(le32_at(at + 4 * i)))); };
            std::int64_t const width = corner(2) - corner(0) + 1;
            std::int64_t const height = corner(3) - corner(1) + 1;
            if (width <= 0 || height <= 0)
                return std::nullopt;
            return ImageSize{std::uint64_t(width), std::uint64_t(height), 16};
        }
        at += std::size_t(size);
    }
    return std::nullopt;
}

bool starts_with(std::vector<unsigned char> const& head, const char* signature, std::size_t size)
{
    return head.size() >= size && std::memcmp(head.data(), signature, size) == 0;
}

}  // namespace

std::optional<ImageSize> declared_image_size(ByteReader const& read)
{
    Header const header(read);
    std::vector<unsigned char> const head = header.prefix(32);
    if (starts_with(head, "\x89PNG\r\n\x1a\n", 8))
        return png_size(header);
    if (starts_with(head, "\xff\xd8\xff", 3))
        return jpeg_size(header);
    if (starts_with(head, "BM", 2))
        return bmp_size(header);
    if (starts_with(head, "GIF87a", 6) || starts_with(head, "GIF89a", 6))
        return sized(header.le16(6), header.le16(8));
    if (starts_with(head, "II*\0", 4) || starts_with(head, "MM\0*", 4))
        return tiff_size(header, head[0] == 'M');
    if (starts_with(head, "DDS ", 4))
        return sized(header.le32(16), header.le32(12));
    if (starts_with(head, "#?RADIANCE", 10) || starts_with(head, "#?RGBE", 6))
        return radiance_size(header);
    if (starts_with(head, "\x76\x2f\x31\x01", 4))
        return openexr_size(header);
    if (starts_with(head, "\x01\xda", 2))
        return sized(header.be16(6), header.be16(8), head.size() > 3 && head[3] == 2 ? 16 : 4);
    if (starts_with(head, "SDPX", 4) || starts_with(head, "XPDS", 4)) {
        bool const big_endian = head[0] == 'S';
        return sized(header.number(772, 4, big_endian), header.number(776, 4, big_endian), 16);
    }
    if (starts_with(head, "\x80\x2a\x5f\xd7", 4))
        return sized(header.be32(200), header.be32(204), 16);
    if (starts_with(head, "8BPS", 4)) {
        auto const depth = header.be16(22);
        return sized(header.be32(18), header.be32(14), depth && *depth > 8 ? 16 : 4);
    }
    // Targa has no signature: a header that holds together.
    if (head.size() >= 18 && head[1] <= 1 &&
        (head[2] == 1 || head[2] == 2 || head[2] == 3 || head[2] == 9 || head[2] == 10 || head[2] == 11) &&
        (head[16] == 8 || head[16] == 15 || head[16] == 16 || head[16] == 24 || head[16] == 32))
        return sized(header.le16(12), header.le16(14));
    return std::nullopt;
}

std::optional<ImageSize> declared_image_size(std::string const& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    ByteReader const read = [&file](std::uint64_t offset, std::size_t size, unsigned char* out) -> std::size_t {
        file.clear();
        if (offset > std::uint64_t(std::numeric_limits<std::streamoff>::max()) ||
            !file.seekg(std::streamoff(offset)))
            return 0;
        file.read(reinterpret_cast<char*>(out), std::streamsize(size));
        return std::size_t(file.gcount());
    };
    return declared_image_size(read);
}

}  // namespace MQO
