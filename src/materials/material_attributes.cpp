#include "materials/material_attributes.hpp"

#include "materials/textures.hpp"

#include <boost/python/tuple.hpp>
#include <boost/variant/get.hpp>

#include <cmath>
#include <limits>

namespace MQO {

namespace python = boost::python;

void apply_material_attribute(TextureSearch const& search, HostObject const& material, MaterialAttributeTag tag,
                              attribute_value const& value)
{
    if (tag & integer_attribute) {
        apply_integer_attribute(material, tag, boost::get<std::uint32_t>(value));
    } else if (tag & real_attribute) {
        apply_real_attribute(material, tag, boost::get<double>(value));
    } else if (tag & text_attribute) {
        if (tag >= 64 && tag <= 66)
            apply_text_attribute(search, material, tag - 64, boost::get<std::string>(value));
    } else if (tag & vector_attribute) {
        if (real_quadruple const* quadruple = boost::get<real_quadruple>(&value))
            apply_vector_attribute(material, tag, quadruple->values.data(), quadruple->count);
        else {
            real_triple const& triple = boost::get<real_triple>(value);
            apply_vector_attribute(material, tag, triple.values.data(), triple.count);
        }
    }
}

void apply_integer_attribute(HostObject const& material, MaterialAttributeTag tag, std::uint32_t value)
{
    if (tag == 0x10) {
        // Shaders 0 to 2 keep the host's default; 3 and up are its shaders 1 and up.
        if (value >= 3)
            material.attr("setSpecShader")(value - 2);
    } else if (tag == 0x12) {
        apply_projection_type(material, value);
    }
}

namespace {

// "power" to hardness: times 5.11, truncated, kept within 0 and the
// largest 32-bit unsigned value.
std::uint32_t hardness_of(double power)
{
    double const hardness = std::trunc(power * 5.11);
    if (!(hardness > 0.0))
        return 0;
    double const largest = double(std::numeric_limits<std::uint32_t>::max());
    return hardness >= largest ? std::numeric_limits<std::uint32_t>::max() : static_cast<std::uint32_t>(hardness);
}

}  // namespace

void apply_real_attribute(HostObject const& material, MaterialAttributeTag tag, double value)
{
    static const char* const plain_setters[] = {"setRef", "setAmb", "setEmit"};
    if (tag >= 0x20 && tag <= 0x22)
        material.attr(plain_setters[tag - 0x20])(value);
    else if (tag == 0x23)
        material.attr("setSpec")(2.0 * value);
    else if (tag == 0x24)
        material.attr("setHardness")(hardness_of(value));
}

void apply_vector_attribute(HostObject const& material, MaterialAttributeTag tag, double const* values,
                            std::size_t count)
{
    if (tag == 0x83) {
        // A colour needs its three components; alpha is set only when given.
        if (count < 3)
            return;
        material.attr("setRGBCol")(python::make_tuple(values[0], values[1], values[2]));
        if (count >= 4)
            material.attr("setAlpha")(values[3]);
    } else if (tag == 0x81 && count == 3) {
        apply_projection_angle(values[0], values[1], values[2]);
    }
}

}  // namespace MQO
