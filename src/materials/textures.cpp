#include "materials/textures.hpp"

#include "document/console.hpp"
#include "materials/material_attributes.hpp"

#include <boost/filesystem/operations.hpp>
#include <boost/python/extract.hpp>
#include <boost/python/tuple.hpp>

#include <algorithm>
#include <ostream>

namespace MQO {

namespace python = boost::python;

namespace {

struct TextureSlot
{
    const char* name;    // the host texture's name and the registry key of its folder
    const char* map_to;  // the member of Texture.MapTo
    bool use_alpha;
};

TextureSlot const texture_slots[] = {
    {"ColorMap", "COL", false},
    {"NormalMap", "NOR", false},
    {"AlphaMap", "ALPHA", true},
};

// The Empty of the latest "proj_type", kept across conversions. Never
// destroyed, so that no reference is released after the interpreter ends.
HostObject& projection_empty()
{
    static HostObject* const empty = new HostObject();
    return *empty;
}

// Whether the file system has an entry (file or folder) at `path`. A name
// with a NUL byte inside, a name too long for the system, a loop of symbolic
// links and a folder we may not search name no file we can load; other
// failures of the query raise.
bool file_exists(std::string const& path)
{
    if (path.empty() || path.find('\0') != std::string::npos)
        return false;
    namespace errc = boost::system::errc;
    boost::system::error_code error;
    bool const found = boost::filesystem::exists(boost::filesystem::path(path), error);
    if (!error || error == errc::no_such_file_or_directory || error == errc::not_a_directory ||
        error == errc::filename_too_long || error == errc::too_many_symbolic_link_levels ||
        error == errc::permission_denied || error == errc::operation_not_permitted)
        return found;
    throw boost::filesystem::filesystem_error("boost::filesystem::exists", boost::filesystem::path(path), error);
}

bool is_relative(std::string const& file)
{
    return !file.empty() && file[0] != '/' && file[0] != '\\';
}

void report_unloadable(TextureSlot const& slot, std::string const& path)
{
    console() << "Unable to Load " << slot.name << '[' << path << "]\n";
}

// The image file for a file text: as written, next to the document, or in
// the folder that the registry record holds for this kind of texture.
bool find_image(TextureSearch const& search, TextureSlot const& slot, std::string const& file, std::string& found)
{
    if (file_exists(file)) {
        found = file;
        return true;
    }
    if (is_relative(file) && !search.document_folder.empty()) {
        std::string const beside = join_texture_path(search.document_folder, file);
        if (file_exists(beside)) {
            found = beside;
            return true;
        }
    }
    if (!host::registry_record().has_key(slot.name)) {
        report_unloadable(slot, file);
        return false;
    }
    std::string const folder = python::extract<std::string>(host::registry_record()[slot.name]);
    std::string const joined = join_texture_path(folder, file);
    if (!file_exists(joined)) {
        report_unloadable(slot, joined);
        return false;
    }
    found = joined;
    return true;
}

int texture_constant(const char* group, const char* member)
{
    return python::extract<int>(host::blender("Texture").attr(group).attr(member));
}

}  // namespace

std::string join_texture_path(std::string const& folder, std::string const& file)
{
    std::string joined = folder;
    bool const separate = !folder.empty() && !file.empty() && folder.back() != '/' && folder.back() != '\\' &&
                          folder.back() != ':' && file.front() != '/' && file.front() != '\\';
    if (separate)
        joined += '/';
    joined += file;
    std::replace(joined.begin(), joined.end(), '\\', '/');
    return joined;
}

std::string document_folder_of(std::string const& path)
{
    std::string::size_type const slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void apply_text_attribute(TextureSearch const& search, HostObject const& material, int slot_index,
                          std::string const& file)
{
    TextureSlot const& slot = texture_slots[slot_index];
    std::string image_path;
    if (!find_image(search, slot, file, image_path))
        return;

    HostObject const texture = host::blender("Texture").attr("New")(slot.name);
    HostObject image;
    if (!host::load_image(image_path, image)) {
        // A file that is there but that the host cannot read as an image
        // (damaged, or a format it does not know) is one we cannot load.
        report_unloadable(slot, image_path);
        return;
    }
    texture.attr("setType")("Image");
    texture.attr("setImage")(image);
    if (slot.use_alpha)
        texture.attr("setImageFlags")("UseAlpha");
    int const map_to = texture_constant("MapTo", slot.map_to);
    int const tex_co = texture_constant("TexCo", "UV");
    material.attr("setTexture")(slot_index, texture, tex_co, map_to);
}

void apply_projection_type(HostObject const& material, std::uint32_t type)
{
    if (type == 0)
        return;
    HostObject& empty = projection_empty();
    empty = host::blender("Object").attr("New")("Empty");
    host::blender("Scene").attr("getCurrent")().attr("link")(empty);
    python::list const textures(material.attr("getTextures")());
    for (int i = 0; i < 3; ++i) {
        HostObject slot = textures[i];
        if (!slot)
            continue;
        slot.attr("texco") = host::blender("Texture").attr("TexCo").attr("OBJECT");
        slot.attr("object") = empty;
        slot.attr("mapping") = type == 1 ? 0u : type;
    }
}

void apply_projection_angle(double x, double y, double z)
{
    HostObject& empty = projection_empty();
    if (!empty)
        return;
    // An Empty that left the scene (deleted, or a new scene since) is
    // forgotten, not rotated behind the user's back.
    if (!host::in_current_scene(empty)) {
        empty = HostObject();
        return;
    }
    HostObject const euler = host::blender("Mathutils").attr("Euler")(python::make_tuple(x, z, y));
    HostObject const rotation = euler.attr("toMatrix")().attr("resize4x4")();
    empty.attr("setMatrix")(rotation);
}

}  // namespace MQO
