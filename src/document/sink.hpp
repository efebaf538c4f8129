// What the document's readers hand over as they read: the receiving end
// between the grammar and whatever is built from the document. The readers
// call it in document order, as soon as each piece has matched; nothing is
// taken back when the grammar later moves back. A receiver's errors pass
// through the readers unchanged.
#ifndef MIVKA_DOCUMENT_SINK_HPP
#define MIVKA_DOCUMENT_SINK_HPP

#include "document/values.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace MQO {

struct FaceLine;

// A material attribute's tag: the value class (bits 0x10, 0x20, 0x40, 0x80:
// integer, real, text, vector) and the index within the class.
enum MaterialTag : std::int32_t
{
    integer_attribute = 0x10,
    real_attribute = 0x20,
    text_attribute = 0x40,
    vector_attribute = 0x80,

    shader_tag = integer_attribute | 0,
    vcol_tag = integer_attribute | 1,
    proj_type_tag = integer_attribute | 2,
    dif_tag = real_attribute | 0,
    amb_tag = real_attribute | 1,
    emi_tag = real_attribute | 2,
    spc_tag = real_attribute | 3,
    power_tag = real_attribute | 4,
    tex_tag = text_attribute | 0,
    bump_tag = text_attribute | 1,
    alpha_tag = text_attribute | 2,  // "alpha" and "aplane"
    proj_pos_tag = vector_attribute | 0,
    proj_angle_tag = vector_attribute | 1,
    proj_scale_tag = vector_attribute | 2,
    col_tag = vector_attribute | 3,

    // Read in extended mode only.
    dbls_tag = integer_attribute | 3,
    reflect_tag = real_attribute | 5,
    refract_tag = real_attribute | 6,
    amb_col_tag = vector_attribute | 4,
    emi_col_tag = vector_attribute | 5,
    spc_col_tag = vector_attribute | 6,
};

// The object attributes: unsigned values, then reals, then real triples.
enum ObjectAttribute : std::int32_t
{
    depth_attribute,
    folding_attribute,
    patch_attribute,
    segment_attribute,
    visible_attribute,
    locking_attribute,
    shading_attribute,
    color_type_attribute,
    mirror_attribute,
    mirror_axis_attribute,
    lathe_attribute,
    lathe_axis_attribute,
    lathe_seg_attribute,
    facet_attribute,
    mirror_dis_attribute,
    color_attribute,
    scale_attribute,
    rotation_attribute,
    translation_attribute,
};

class DocumentSink
{
public:
    virtual ~DocumentSink() = default;

    // How far reading has come, a fraction of the document from 0 to 1.
    virtual void progress(double fraction) = 0;

    // A newer document's "CodePage" line (extended reading only): the
    // encoding of the names and file names that follow ("932", "utf8").
    virtual void code_page(std::string_view page) = 0;
    // The file that a newer document's "IncludeXml" line names (extended
    // reading only), as written: the companion holding bones and morphs.
    virtual void companion(std::string_view file) = 0;

    // A material of the Material chunk, by its name; its attributes follow,
    // each as soon as its value is read; then the material is complete.
    virtual void begin_material(std::string_view name) = 0;
    virtual void material_attribute(MaterialTag tag, attribute_value const& value) = 0;
    virtual void end_material() = 0;

    // Before the first Object chunk, when the document has objects to read
    // (a Material chunk that did not match ends the reading before them).
    virtual void begin_objects() = 0;

    // An Object chunk: its name, its attribute lines, its vertices (in the
    // document's axes), the face chunk (faces and two-corner edges), then
    // the object is complete, or it was cut off before its faces. A filter
    // between the readers and the sink may add vertices after the faces
    // began, for the faces it adds after them.
    virtual void begin_object(std::string_view name) = 0;
    virtual void object_attribute(ObjectAttribute attribute, attribute_value const& value) = 0;
    virtual void begin_vertices() = 0;
    virtual void vertex(float x, float y, float z) = 0;
    virtual std::size_t vertex_count() = 0;
    // A vertex's weight from the vertexattr chunk's "weit" sub-chunk, when
    // extended reading is on: its number and weight, as the document gives
    // them (the number is not checked against the vertices).
    virtual void vertex_weight(std::uint32_t vertex, double weight) = 0;
    // The object's own number (its "uid" line), and its vertices' numbers
    // in vertex order (the vertexattr chunk's "uid" sub-chunk); extended
    // reading only. The companion's bones name objects and vertices by them.
    virtual void object_uid(std::uint32_t uid) = 0;
    virtual void vertex_uid(std::uint32_t uid) = 0;
    virtual void begin_faces() = 0;
    // A face line of its first `corners` corners (3 or more; more than 4
    // only in extended reading).
    virtual void face(FaceLine const& line, std::size_t corners) = 0;
    virtual void edge(std::uint32_t first, std::uint32_t second) = 0;
    // After the last face line: whether some face had texture coordinates
    // for all its corners, and whether some had colours.
    virtual void end_faces(bool some_uv, bool some_colours) = 0;
    virtual std::size_t face_count() = 0;
    virtual void end_object() = 0;

    // After the last object, in document order of the objects that have a
    // depth: the object (counted from 0 in document order), the object it
    // becomes a child of (-1 for none), and whether its scale leaves no
    // placement that can be inverted (zero, tiny, huge or not a number).
    virtual void place(std::size_t object, std::ptrdiff_t parent, bool degenerate_scale) = 0;
    // After the last object was read and placed.
    virtual void end_objects() = 0;
};

}  // namespace MQO

#endif
