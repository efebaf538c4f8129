// What each material attribute does to the host material.
#ifndef MIVKA_MATERIALS_MATERIAL_ATTRIBUTES_HPP
#define MIVKA_MATERIALS_MATERIAL_ATTRIBUTES_HPP

#include "host/host.hpp"
#include "materials/material_parser.hpp"

#include <cstddef>
#include <cstdint>
#include <string>

namespace MQO {

// "shader" sets the specular shader; "proj_type" the projection mapping;
// "vcol" has no effect.
void apply_integer_attribute(HostObject const& material, MaterialAttributeTag tag, std::uint32_t value);

// "dif", "amb", "emi", "spc" (doubled) and "power" (times 5.11, as a whole
// number from 0 up).
void apply_real_attribute(HostObject const& material, MaterialAttributeTag tag, double value);

// "col" sets colour and alpha, "proj_angle" rotates the projection Empty;
// only the `count` values that were read are used.
void apply_vector_attribute(HostObject const& material, MaterialAttributeTag tag, double const* values,
                            std::size_t count);

// "tex", "bump" and "alpha"/"aplane": the image file for texture slot 0, 1
// or 2.
void apply_text_attribute(TextureSearch const& search, HostObject const& material, int slot,
                          std::string const& file);

}  // namespace MQO

#endif
