// One line of a face chunk.
#ifndef MIVKA_ASSEMBLY_FACE_HPP
#define MIVKA_ASSEMBLY_FACE_HPP

#include "document/values.hpp"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace MQO {

// A face line as read: corner vertex numbers in document order, and the
// optional material number, texture coordinates (u, v per corner) and
// packed colours (red in the low byte). Lists hold only what was read.
struct Face
{
    bounded_list<std::uint32_t, 4> vertex_indices;
    bool has_uv = false;
    bounded_list<float, 8> uv_values;
    bool has_colours = false;
    bounded_list<std::uint32_t, 4> colour_values;
    std::int32_t material_number = -1;

    // Texture coordinates and colours count only where every corner has them.
    bool uv_for(std::size_t corners) const { return has_uv && uv_values.count >= 2 * corners; }
    bool colours_for(std::size_t corners) const { return has_colours && colour_values.count >= corners; }
};

// A face line of an extended document, with any number of corners.
struct Polygon
{
    std::vector<std::uint32_t> vertex_indices;
    bool has_uv = false;
    std::vector<float> uv_values;
    bool has_colours = false;
    std::vector<std::uint32_t> colour_values;
    std::int32_t material_number = -1;

    bool uv_for(std::size_t corners) const { return has_uv && uv_values.size() >= 2 * corners; }
    bool colours_for(std::size_t corners) const { return has_colours && colour_values.size() >= corners; }
};

// One face as the host builds it, whichever line it was read from.
struct FaceView
{
    std::size_t corners;
    std::uint32_t const* vertex_indices;
    float const* uv_values;            // null when not every corner has coordinates
    std::uint32_t const* colour_values;  // null when not every corner has a colour
    std::int32_t material_number;

    FaceView(Face const& line, std::size_t count)
        : corners(count), vertex_indices(line.vertex_indices.values.data()),
          uv_values(line.uv_for(count) ? line.uv_values.values.data() : nullptr),
          colour_values(line.colours_for(count) ? line.colour_values.values.data() : nullptr),
          material_number(line.material_number)
    {
    }

    // A face of the reader's own making: corners and material only.
    FaceView(std::size_t count, std::uint32_t const* indices, std::int32_t material)
        : corners(count), vertex_indices(indices), uv_values(nullptr), colour_values(nullptr),
          material_number(material)
    {
    }

    FaceView(Polygon const& line, std::size_t count)
        : corners(count), vertex_indices(line.vertex_indices.data()),
          uv_values(line.uv_for(count) ? line.uv_values.data() : nullptr),
          colour_values(line.colours_for(count) ? line.colour_values.data() : nullptr),
          material_number(line.material_number)
    {
    }
};

}  // namespace MQO

#endif
