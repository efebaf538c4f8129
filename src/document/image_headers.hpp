// The size that an image file declares in its header, read before the host
// decodes the image: a few bytes can declare pixels enough to fill any
// memory.
#ifndef MIVKA_DOCUMENT_IMAGE_HEADERS_HPP
#define MIVKA_DOCUMENT_IMAGE_HEADERS_HPP

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace MQO {

struct ImageSize
{
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    // What the host keeps of a pixel once decoded: four bytes, or four
    // floats for the formats it decodes to floating point.
    std::uint64_t bytes_per_pixel = 4;

    std::uint64_t decoded_bytes() const;
};

// Reads up to `size` bytes at `offset` into `out`; gives how many it read
// (fewer at the file's end).
using ByteReader = std::function<std::size_t(std::uint64_t offset, std::size_t size, unsigned char* out)>;

// The size declared by an image of a format the host reads (PNG, JPEG, BMP,
// GIF, TIFF, DDS, Radiance HDR, OpenEXR, SGI, DPX, Cineon, Photoshop,
// Targa); none for a format not known here or a header cut short.
std::optional<ImageSize> declared_image_size(ByteReader const& read);

// The same for a file; none also when it cannot be read.
std::optional<ImageSize> declared_image_size(std::string const& path);

}  // namespace MQO

#endif
