// The document's axes and the host's. Metasequoia's Y axis points up and
// its Z axis towards the viewer; the host's Z axis points up and its Y axis
// away from the viewer. A document's (x, y, z) is the host's (x, -z, y), and
// lengths are multiplied by the scale the user chose. Every conversion
// between the two goes through here.
#ifndef MIVKA_HOST_FRAME_HPP
#define MIVKA_HOST_FRAME_HPP

#include <array>
#include <cstdint>

namespace MQO {

class Frame
{
public:
    explicit Frame(double scale = 1.0) : scale_(scale) {}

    double scale() const { return scale_; }

    // A position or a translation: turned into the host's axes and scaled.
    std::array<double, 3> point(double x, double y, double z) const { return {x * scale_, -(z * scale_), y * scale_}; }

    // A direction (a normal): turned, never scaled.
    static std::array<float, 3> direction(float const* n) { return {n[0], -n[2], n[1]}; }

    // Where the document's unit axes X, Y and Z lie in the host's axes: the
    // rows of the matrix that turns document positions into host positions.
    static std::array<std::array<double, 3>, 3> axes() { return {{{1, 0, 0}, {0, 0, 1}, {0, -1, 0}}}; }

    // The host's axis number for one of the document's (0 X, 1 Y, 2 Z).
    static long axis(std::uint32_t document_axis) { return document_axis == 1 ? 2 : document_axis == 2 ? 1 : 0; }

    // Axis bits (1 X, 2 Y, 4 Z) in the document's axes as flags on the
    // host's X, Y and Z.
    static std::array<bool, 3> axis_flags(std::uint32_t bits) { return {(bits & 1u) != 0, (bits & 4u) != 0, (bits & 2u) != 0}; }

    // Three values given per document axis (stretches along them, angles
    // about them) in the order of the host's axes that those become.
    static std::array<double, 3> per_host_axis(double x, double y, double z) { return {x, z, y}; }

private:
    double scale_;
};

}  // namespace MQO

#endif
