// Materials in the host: their attributes, texture images and the
// projection Empty.
#ifndef MIVKA_HOST_MATERIAL_BUILDER_HPP
#define MIVKA_HOST_MATERIAL_BUILDER_HPP

#include "document/sink.hpp"
#include "host/host.hpp"
#include "host/texture_files.hpp"

#include <cstdint>
#include <string>
#include <unordered_map>

namespace MQO {

class MaterialBuilder
{
public:
    // `frame`: the conversion's axes and scale, asked for when a projection
    // is placed.
    MaterialBuilder(std::string document_folder, host::RegistryFrame& frame);

    TextureFiles& textures() { return textures_; }
    // The host list of the document's materials so far, in order.
    HostObject const& materials() const { return materials_; }
    std::size_t material_count() const { return material_count_; }

    void begin_material(std::string_view name);
    void material_attribute(MaterialTag tag, attribute_value const& value);
    void end_material();

private:
    // Material attributes by the class of their tag.
    void integer_attribute(MaterialTag tag, std::uint32_t value);
    void real_attribute(MaterialTag tag, double value);
    void vector_attribute(MaterialTag tag, double const* values, std::size_t count);
    void texture(int slot, std::string const& file);
    void projection_type(std::uint32_t type);
    void projection_angle(double x, double y, double z);
    void place_projection();

    // Where the material's projection lies ("proj_pos", "proj_scale",
    // "proj_angle"), once extended reading placed it.
    struct Projection
    {
        double position[3] = {0.0, 0.0, 0.0};
        double scale[3] = {1.0, 1.0, 1.0};
        double angle[3] = {0.0, 0.0, 0.0};
        bool placed = false;
        bool made = false;  // the material made its Empty
    };

    host::RegistryFrame& frames_;
    TextureFiles textures_;
    std::unordered_map<std::string, HostObject> unpacked_images_;  // by the file unpacked for them
    Projection projection_;
    std::size_t material_count_ = 0;
    HostObject materials_;  // host list of the document's materials, in order
    HostObject material_;   // the material being read
};

}  // namespace MQO

#endif
