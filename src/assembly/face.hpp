// One line of a face chunk.
#ifndef MIVKA_ASSEMBLY_FACE_HPP
#define MIVKA_ASSEMBLY_FACE_HPP

#include "document/values.hpp"

#include <cstddef>
#include <cstdint>

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

}  // namespace MQO

#endif
