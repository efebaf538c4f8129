// One line of a face chunk, as the readers hand it to the sink.
#ifndef MIVKA_DOCUMENT_FACE_LINE_HPP
#define MIVKA_DOCUMENT_FACE_LINE_HPP

#include <boost/container/small_vector.hpp>

#include <cstddef>
#include <cstdint>

namespace MQO {

// A face line as read: corner vertex numbers in document order, and the
// optional material number, texture coordinates (u, v per corner), packed
// colours (red in the low byte) and normals (x, y, z per corner in the
// document's axes; 0 0 0 where a corner keeps the normal its shading
// gives). Lists hold only what was read; four corners fit without an
// allocation, longer lines (extended reading) take the heap.
struct FaceLine
{
    boost::container::small_vector<std::uint32_t, 4> vertex_indices;
    boost::container::small_vector<float, 8> uv_values;
    boost::container::small_vector<std::uint32_t, 4> colour_values;
    boost::container::small_vector<float, 12> normal_values;
    bool has_uv = false;
    bool has_colours = false;
    std::int32_t material_number = -1;

    // Each list counts only where every corner of the first `corners` has
    // its values; these give the values, or null.
    float const* uv_for(std::size_t corners) const
    {
        return has_uv && uv_values.size() >= 2 * corners ? uv_values.data() : nullptr;
    }
    std::uint32_t const* colours_for(std::size_t corners) const
    {
        return has_colours && colour_values.size() >= corners ? colour_values.data() : nullptr;
    }
    float const* normals_for(std::size_t corners) const
    {
        return normal_values.size() >= 3 * corners ? normal_values.data() : nullptr;
    }
};

}  // namespace MQO

#endif
