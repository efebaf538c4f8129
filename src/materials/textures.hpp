// Texture images and the projection Empty of materials.
#ifndef MIVKA_MATERIALS_TEXTURES_HPP
#define MIVKA_MATERIALS_TEXTURES_HPP

#include "host/host.hpp"

#include <cstdint>
#include <string>

namespace MQO {

// A texture folder and a file name joined: backslashes become forward
// slashes, and one "/" goes between the two unless the folder is empty or
// ends in "/" or ":", or the file name is empty or starts with a slash.
std::string join_texture_path(std::string const& folder, std::string const& file);

// The folder part of a document path: everything before its last "/", or
// nothing for a bare file name.
std::string document_folder_of(std::string const& path);

// "proj_type": a new Empty, linked into the current scene, becomes the
// object through which the material's first three texture slots are mapped.
// The Empty is remembered for later "proj_angle" attributes.
void apply_projection_type(HostObject const& material, std::uint32_t type);

// "proj_angle": rotates the Empty of the latest "proj_type", if any.
void apply_projection_angle(double x, double y, double z);

}  // namespace MQO

#endif
