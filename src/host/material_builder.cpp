// Materials in the host: their attributes, texture images and the
// projection Empty.
#include "host/material_builder.hpp"

#include <boost/python/extract.hpp>
#include <boost/python/list.hpp>
#include <boost/python/tuple.hpp>
#include <boost/variant/get.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

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

int texture_constant(const char* group, const char* member)
{
    return python::extract<int>(host::blender("Texture").attr(group).attr(member));
}

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

MaterialBuilder::MaterialBuilder(std::string document_folder, host::RegistryFrame& frame)
    : frames_(frame), textures_(std::move(document_folder)), materials_(host::new_list())
{
}

void MaterialBuilder::begin_material(std::string_view name)
{
    projection_ = Projection();
    material_ = host::blender("Material").attr("New")(host::bytes(name));
}

void MaterialBuilder::end_material()
{
    materials_.attr("append")(material_);
    ++material_count_;
}

// By the class of the tag, tested in the order integer, real, text, vector;
// a tag of no class is dropped.
void MaterialBuilder::material_attribute(MaterialTag tag, attribute_value const& value)
{
    if (tag & MQO::integer_attribute) {
        integer_attribute(tag, boost::get<std::uint32_t>(value));
    } else if (tag & MQO::real_attribute) {
        real_attribute(tag, boost::get<double>(value));
    } else if (tag & text_attribute) {
        if (tag >= tex_tag && tag <= alpha_tag)
            texture(tag - tex_tag, boost::get<std::string>(value));
    } else if (tag & MQO::vector_attribute) {
        if (real_quadruple const* quadruple = boost::get<real_quadruple>(&value))
            vector_attribute(tag, quadruple->values.data(), quadruple->count);
        else {
            real_triple const& triple = boost::get<real_triple>(value);
            vector_attribute(tag, triple.values.data(), triple.count);
        }
    }
}

// "shader" sets the specular shader; "proj_type" the projection mapping;
// "vcol" (vertex colours shown) and "dbls" (both sides shown) are the
// material's modes.
void MaterialBuilder::integer_attribute(MaterialTag tag, std::uint32_t value)
{
    if (tag == shader_tag) {
        // Shaders 0 to 2 keep the host's default; 3 and up are its shaders 1 and up.
        if (value >= 3)
            material_.attr("setSpecShader")(value - 2);
    } else if (tag == proj_type_tag) {
        projection_type(value);
    } else if (tag == vcol_tag || tag == dbls_tag) {
        HostObject const mode = host::blender("Material").attr("Modes").attr(tag == vcol_tag ? "VCOL_PAINT" : "TWOSIDE");
        HostObject const modes = material_.attr("getMode")();
        material_.attr("setMode")(value != 0 ? HostObject(modes | mode) : HostObject(modes ^ (modes & mode)));
    }
}

// "dif", "amb", "emi", "spc" (doubled) and "power" (times 5.11, as a whole
// number from 0 up); from newer documents, "reflect" (mirror reflection)
// and "refract" (index of refraction).
void MaterialBuilder::real_attribute(MaterialTag tag, double value)
{
    static const char* const plain_setters[] = {"setRef", "setAmb", "setEmit"};
    if (tag >= dif_tag && tag <= emi_tag)
        material_.attr(plain_setters[tag - dif_tag])(value);
    else if (tag == spc_tag)
        material_.attr("setSpec")(2.0 * value);
    else if (tag == power_tag)
        material_.attr("setHardness")(hardness_of(value));
    else if (tag == reflect_tag)
        material_.attr("setRayMirr")(value);
    else if (tag == refract_tag)
        material_.attr("setIOR")(value);
}

// "col" sets colour and alpha, "proj_angle" rotates the projection Empty;
// only the `count` values that were read are used.
void MaterialBuilder::vector_attribute(MaterialTag tag, double const* values, std::size_t count)
{
    if (tag == col_tag) {
        // A colour needs its three components; alpha is set only when given.
        if (count < 3)
            return;
        material_.attr("setRGBCol")(python::make_tuple(values[0], values[1], values[2]));
        if (count >= 4)
            material_.attr("setAlpha")(values[3]);
    } else if ((tag == proj_pos_tag || tag == proj_scale_tag) && count == 3) {
        std::copy(values, values + 3, tag == proj_pos_tag ? projection_.position : projection_.scale);
        projection_.placed = true;
        place_projection();
    } else if (tag == proj_angle_tag && count == 3) {
        std::copy(values, values + 3, projection_.angle);
        if (projection_.placed)
            place_projection();
        else
            projection_angle(values[0], values[1], values[2]);
    } else if (tag == spc_col_tag && count == 3) {
        // The ambient and emission colours have no place in the host's
        // material, where both are amounts of the material's own colour.
        material_.attr("setSpecCol")(python::make_tuple(values[0], values[1], values[2]));
    }
}

// "tex", "bump" and "alpha"/"aplane": the image file for texture slot 0, 1
// or 2; from the document's archive first, when it came in one.
void MaterialBuilder::texture(int slot_index, std::string const& file)
{
    TextureSlot const& slot = texture_slots[slot_index];
    std::string image_path;
    bool unpacked = false;
    if (!textures_.find(slot.name, file, image_path, unpacked))
        return;

    HostObject const texture = host::blender("Texture").attr("New")(slot.name);
    std::string why;
    if (!textures_.fits(image_path, why)) {
        report_unloadable(slot.name, image_path, why);
        return;
    }
    HostObject image;
    auto const known = unpacked_images_.find(image_path);
    if (known != unpacked_images_.end()) {
        image = known->second;
    } else if (!host::load_image(image_path, image)) {
        // A file that is there but that the host cannot read as an image
        // (damaged, or a format it does not know) is one we cannot load.
        report_unloadable(slot.name, image_path);
        return;
    } else if (unpacked) {
        // The image keeps its bytes, and its file goes at once; a further
        // texture of the same member takes the same image.
        image.attr("pack")();
        textures_.unpacked_loaded(image_path);
        unpacked_images_.emplace(image_path, image);
    }
    texture.attr("setType")("Image");
    texture.attr("setImage")(image);
    if (slot.use_alpha)
        texture.attr("setImageFlags")("UseAlpha");
    int const map_to = texture_constant("MapTo", slot.map_to);
    int const tex_co = texture_constant("TexCo", "UV");
    material_.attr("setTexture")(slot_index, texture, tex_co, map_to);
}

// "proj_type": a new Empty, linked into the current scene, becomes the
// object through which the material's first three texture slots are mapped.
// The Empty is remembered for later "proj_angle" attributes.
void MaterialBuilder::projection_type(std::uint32_t type)
{
    if (type == 0)
        return;
    HostObject& empty = projection_empty();
    // One Empty for a material: a further "proj_type" of the same material
    // maps its textures through that one again.
    if (!projection_.made || !empty) {
        empty = host::blender("Object").attr("New")("Empty");
        host::blender("Scene").attr("getCurrent")().attr("link")(empty);
        projection_.made = true;
    }
    python::list const textures(material_.attr("getTextures")());
    for (int i = 0; i < 3; ++i) {
        HostObject slot = textures[i];
        if (!slot)
            continue;
        slot.attr("texco") = host::blender("Texture").attr("TexCo").attr("OBJECT");
        slot.attr("object") = empty;
        slot.attr("mapping") = type == 1 ? 0u : type;
    }
    if (projection_.placed)
        place_projection();
}

namespace {

// The Empty of the latest "proj_type", when there is one still in the
// scene. One that left it (deleted, or a new scene since) is forgotten, not
// moved behind the user's back.
HostObject* live_projection_empty()
{
    HostObject& empty = projection_empty();
    if (!empty)
        return nullptr;
    if (!host::in_current_scene(empty)) {
        empty = HostObject();
        return nullptr;
    }
    return &empty;
}

}  // namespace

// "proj_angle": rotates the Empty of the latest "proj_type", if any.
void MaterialBuilder::projection_angle(double x, double y, double z)
{
    if (HostObject* const empty = live_projection_empty())
        empty->attr("setMatrix")(host::turn_matrix(x, y, z));
}

// In extended reading, the Empty takes the projection's place as well as
// its turn: its unit square holds the image once, centred on "proj_pos",
// across twice "proj_scale" in the document's axes (the texture
// coordinates Metasequoia gives a planar projection), turned by
// "proj_angle" as the Empty of the plain rules is.
void MaterialBuilder::place_projection()
{
    HostObject* const empty = live_projection_empty();
    if (!empty)
        return;
    Frame const& frame = frames_.get();
    Projection const& p = projection_;
    double size[3];
    for (int i = 0; i < 3; ++i) {
        // A vanishing or unreadable scale would leave no inverse.
        size[i] = 2.0 * p.scale[i] * frame.scale();
        if (!std::isfinite(size[i]) || size[i] == 0.0)
            size[i] = 1.0;
    }
    HostObject const mathutils = host::blender("Mathutils");
    auto const row = [](double a, double b, double c, double d) { return python::make_tuple(a, b, c, d); };
    HostObject const centre = mathutils.attr("TranslationMatrix")(mathutils.attr("Vector")(-0.5, -0.5, 0.0));
    HostObject const sized = mathutils.attr("Matrix")(row(size[0], 0, 0, 0), row(0, size[1], 0, 0),
                                                      row(0, 0, size[2], 0), row(0, 0, 0, 1));
    auto const a = Frame::axes();
    HostObject const axes = mathutils.attr("Matrix")(row(a[0][0], a[0][1], a[0][2], 0), row(a[1][0], a[1][1], a[1][2], 0),
                                                     row(a[2][0], a[2][1], a[2][2], 0), row(0, 0, 0, 1));
    HostObject const turned = host::turn_matrix(p.angle[0], p.angle[1], p.angle[2]);
    std::array<double, 3> const at = frame.point(p.position[0], p.position[1], p.position[2]);
    HostObject const moved = mathutils.attr("TranslationMatrix")(mathutils.attr("Vector")(at[0], at[1], at[2]));
    empty->attr("setMatrix")(centre * sized * axes * turned * moved);
}

}  // namespace MQO
