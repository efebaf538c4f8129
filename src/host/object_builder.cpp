// Mesh objects in the host: placement, vertices, faces and edges, how
// Metasequoia shows them, weights and parents.
#include "host/object_builder.hpp"

#include "document/face_line.hpp"
#include "host/fast_call.hpp"

#include <boost/python/list.hpp>
#include <boost/python/tuple.hpp>
#include <boost/variant/get.hpp>


namespace MQO {

namespace python = boost::python;

void ObjectBuilder::begin_objects()
{
    budget_ = ModifierBudget();
    frame_ = frames_.get();
}

void ObjectBuilder::begin_object(std::string_view name, HostObject const& materials, std::size_t material_count)
{
    HostObject const name_bytes = host::bytes(name);
    object_ = host::blender("Object").attr("New")("Mesh", name_bytes);
    mesh_ = host::blender("NMesh").attr("New")(name_bytes);
    objects_.push_back(object_);
    display_ = Display();
    counts_ = MeshCounts();
    uses_.reset(0);
    weights_.clear();
    builder_ = MeshBuilder::for_mesh(mesh_, MeshSlots(mesh_, materials, material_count));
}

void ObjectBuilder::object_attribute(ObjectAttribute attribute, attribute_value const& value)
{
    if (attribute == depth_attribute || attribute == folding_attribute || attribute == locking_attribute ||
        attribute == color_type_attribute || attribute == color_attribute)
        return;
    if (attribute < scale_attribute || attribute > translation_attribute) {
        display_setting(attribute, value);
        return;
    }
    real_triple const& triple = boost::get<real_triple>(value);
    // Components that the line did not give leave that axis unchanged.
    double const unread = attribute == scale_attribute ? 1.0 : 0.0;
    double c[3];
    for (std::size_t i = 0; i < 3; ++i)
        c[i] = i < triple.count ? triple[i] : unread;
    transform(attribute, c[0], c[1], c[2]);
}


// One placement step with the three components in document order,
// multiplied onto the right of the object's matrix.
void ObjectBuilder::transform(ObjectAttribute attribute, double c1, double c2, double c3)
{
    HostObject const mathutils = host::blender("Mathutils");
    HostObject step;
    if (attribute == scale_attribute) {
        std::array<double, 3> const s = Frame::per_host_axis(c1, c2, c3);
        HostObject const rows = mathutils.attr("Matrix")(python::make_tuple(s[0], 0.0, 0.0), python::make_tuple(0.0, s[1], 0.0),
                                                         python::make_tuple(0.0, 0.0, s[2]));
        step = rows.attr("resize4x4")();
    } else if (attribute == rotation_attribute) {
        step = host::turn_matrix(c1, c2, c3);
    } else {
        std::array<double, 3> const t = frame_.point(c1, c2, c3);
        HostObject const offset = mathutils.attr("Vector")(python::make_tuple(t[0], t[1], t[2]));
        step = mathutils.attr("TranslationMatrix")(offset);
    }
    HostObject const current = object_.attr("matrix");
    object_.attr("setMatrix")(current * step);
}

void ObjectBuilder::begin_vertices()
{
    builder_->set_smooth(display_.smooth);
    builder_->begin_vertices();
}

// Each vertex goes, in the host's axes and scaled, to the end of the
// mesh's vertex list.
void ObjectBuilder::vertex(float x, float y, float z)
{
    std::array<double, 3> const p = frame_.point(x, y, z);
    builder_->vertex(p[0], p[1], p[2]);
}

std::size_t ObjectBuilder::vertex_count()
{
    return builder_->vertex_count();
}

void ObjectBuilder::vertex_weight(std::uint32_t vertex, double weight)
{
    weights_.emplace_back(vertex, weight);
}

void ObjectBuilder::begin_faces()
{
    // What subdividing costs around busy vertices: counted only where the
    // object is subdivided.
    uses_.reset(display_.patch != 0 ? vertex_count() : 0);
    builder_->begin_faces();
}

void ObjectBuilder::face(FaceLine const& line, std::size_t corners)
{
    ++counts_.faces;
    counts_.corners += corners;
    counts_.irregular += irregular_face(corners);
    for (std::size_t i = 0; i < corners; ++i)
        uses_.use(line.vertex_indices[i]);
    builder_->face(line, corners);
}

void ObjectBuilder::edge(std::uint32_t first, std::uint32_t second)
{
    ++counts_.edges;
    uses_.use(first);
    uses_.use(second);
    builder_->edge(first, second);
}

void ObjectBuilder::end_faces(bool some_uv, bool some_colours)
{
    builder_->end_faces(some_uv, some_colours);
}

std::size_t ObjectBuilder::face_count()
{
    return builder_->face_count();
}

void ObjectBuilder::end_object()
{
    std::size_t const vertices = vertex_count();
    if (display_.smooth) {
        mesh_.attr("setMode")("AutoSmooth");
        mesh_.attr("setMaxSmoothAngle")(display_.facet);
    }
    builder_->finish();
    builder_.reset();
    object_.attr("link")(mesh_);
    host::blender("Scene").attr("getCurrent")().attr("link")(object_);
    add_weights(vertices);
    counts_.vertices = vertices;
    counts_.irregular += uses_.irregular();
    Modifiers const wanted = wanted_modifiers();
    Modifiers const built = budget_.fit(counts_, wanted);
    report_lowered(wanted, built);
    // In the order Metasequoia builds the shown mesh: turned, mirrored, subdivided.
    add_lathe(built.steps);
    add_mirror();
    add_subdivision(built.levels);
}

// Moves the object's mesh data into its frame (by the inverse of its
// matrix), then makes it a child of its parent.
void ObjectBuilder::place(std::size_t index, std::ptrdiff_t parent, bool degenerate_scale)
{
    HostObject const& object = objects_.at(index);
    // A flat or vanishing scale has no inverse: such an object keeps only
    // its position, and its mesh stays where the document puts it.
    if (degenerate_scale) {
        HostObject const position = object.attr("matrix").attr("translationPart")();
        object.attr("setMatrix")(host::blender("Mathutils").attr("TranslationMatrix")(position));
    }
    HostObject const data = object.attr("getData")(0, 1);
    HostObject const inverse = object.attr("getInverseMatrix")();
    data.attr("transform")(inverse);
    if (parent >= 0)
        objects_.at(std::size_t(parent)).attr("makeParent")(python::list(python::make_tuple(object)));
}

}  // namespace MQO
