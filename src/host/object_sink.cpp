// Mesh objects in the host: placement, vertices, faces and edges, parents.
#include "host/host_sink.hpp"

#include "document/console.hpp"
#include "document/face_line.hpp"
#include "host/fast_call.hpp"

#include <boost/python/extract.hpp>
#include <boost/python/tuple.hpp>
#include <boost/python/list.hpp>
#include <boost/variant/get.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <ostream>
#include <unordered_map>

namespace MQO {

namespace python = boost::python;

namespace {

std::size_t host_count(HostObject const& sequence)
{
    return python::extract<std::size_t>(sequence.attr("__len__")());
}

// The error a host list raises for a number beyond its end: what a vertex
// or material number beyond its list gives, whichever way the mesh is built.
void raise_beyond_list()
{
    PyErr_SetString(PyExc_IndexError, "list index out of range");
    python::throw_error_already_set();
}

}  // namespace

void HostSink::begin_objects()
{
    budget_ = ModifierBudget();
    scale_ = host::registry_scale();
}

void HostSink::begin_object(std::string_view name)
{
    HostObject const name_bytes = host::bytes(name);
    object_ = host::blender("Object").attr("New")("Mesh", name_bytes);
    mesh_ = host::blender("NMesh").attr("New")(name_bytes);
    objects_.push_back(object_);
    display_ = Display();
    mesh_slots_.clear();
    counts_ = MeshCounts();
    uses_.reset(0);
    weights_.clear();
    joined_ = Joined();
    // A host whose meshes take whole arrays gets each mesh in one call.
    static PyObject* const put_buffers = host::name("putBuffers");
    put_buffers_ = HostObject();
    gathered_ = Gathered();
    if (PyObject* const found = PyObject_GetAttr(mesh_.ptr(), put_buffers)) {
        HostObject const method = host::take(found);
        if (PyCallable_Check(method.ptr()))
            put_buffers_ = method;
    } else if (PyErr_ExceptionMatches(PyExc_AttributeError)) {
        PyErr_Clear();
    } else {
        python::throw_error_already_set();
    }
}

void HostSink::object_attribute(ObjectAttribute attribute, attribute_value const& value)
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

// How Metasequoia shows the object: smooth
// faces with a crease angle ("shading 1", "facet"), hidden ("visible 0"),
// mirrored, subdivided, turned on a lathe.
void HostSink::display_setting(ObjectAttribute attribute, attribute_value const& value)
{
    Display& d = display_;
    auto const whole = [&] { return boost::get<std::uint32_t>(value); };
    switch (attribute) {
    case shading_attribute: d.smooth = whole() == 1; break;
    case facet_attribute: d.facet = boost::get<double>(value); break;
    case mirror_attribute: d.mirror = whole(); break;
    case mirror_axis_attribute: d.mirror_axis = whole(); break;
    case mirror_dis_attribute: d.mirror_distance = boost::get<double>(value); break;
    case patch_attribute: d.patch = whole(); break;
    case segment_attribute: d.segment = whole(); break;
    case lathe_attribute: d.lathe = whole(); break;
    case lathe_axis_attribute: d.lathe_axis = whole(); break;
    case lathe_seg_attribute: d.lathe_segments = whole(); break;
    case visible_attribute:
        if (whole() == 0) {
            object_.attr("restrictDisplay") = true;
            object_.attr("restrictRender") = true;
        }
        break;
    default: break;
    }
}

HostObject HostSink::add_modifier(const char* type)
{
    HostObject const kind = host::blender("Modifier").attr("Types").attr(type);
    return object_.attr("modifiers").attr("append")(kind);
}

namespace {

HostObject modifier_setting(const char* name)
{
    return host::blender("Modifier").attr("Settings").attr(name);
}

// The host's axis for one of the document's (0 X, 1 Y, 2 Z): the
// document's Y and Z are the host's Z and Y.
long host_axis(std::uint32_t document_axis)
{
    return document_axis == 1 ? 2 : document_axis == 2 ? 1 : 0;
}

}  // namespace

// What the object's display settings ask of the host's modifiers: a lathe
// turns the profile once around the axis in as many steps as its segments
// (3 to 1024); a mirror doubles the mesh on each of its axes; a curved
// surface is shown subdivided: Catmull-Clark (patch 3 and 4) with the
// segment count as its levels; the spline surfaces (patch 1 and 2) divide
// each edge into `segment` parts, which the levels of a subdivision that
// halves edges approach from above. Levels from 1 to 6.
Modifiers HostSink::wanted_modifiers() const
{
    Display const& d = display_;
    Modifiers m;
    if (d.lathe != 0 && d.lathe_axis <= 2)
        m.steps = std::clamp<std::uint32_t>(d.lathe_segments, 3, 1024);
    if (mirrored()) {
        for (std::uint32_t axis = 1; axis <= 4; axis <<= 1)
            m.copies *= (d.mirror_axis & axis) ? 2 : 1;
    }
    if (d.patch != 0) {
        std::int64_t levels = 2;
        if (d.segment >= 0 && d.patch >= 3) {
            levels = d.segment;
        } else if (d.segment >= 0) {
            levels = 0;
            while ((std::int64_t(1) << levels) < d.segment && levels < 6)
                ++levels;
        }
        m.levels = std::uint32_t(std::clamp<std::int64_t>(levels, 1, 6));
    }
    return m;
}

void HostSink::add_lathe(std::uint32_t steps)
{
    if (steps == 0)
        return;
    HostObject modifier = add_modifier("SCREW");
    modifier[modifier_setting("AXIS")] = host_axis(display_.lathe_axis);
    modifier[modifier_setting("STEPS")] = long(steps);
    modifier[modifier_setting("RENDER_STEPS")] = long(steps);
}

// Metasequoia keeps one half of a mirrored object and shows both: a mirror
// modifier on the host's axes. Connected halves (mode 2) are joined where
// they meet.
void HostSink::add_mirror()
{
    Display const& d = display_;
    if (!mirrored())
        return;
    HostObject modifier = add_modifier("MIRROR");
    modifier[modifier_setting("AXIS_X")] = bool(d.mirror_axis & 1u);
    modifier[modifier_setting("AXIS_Y")] = bool(d.mirror_axis & 4u);
    modifier[modifier_setting("AXIS_Z")] = bool(d.mirror_axis & 2u);
    // Connected halves meet on the plane, where their vertices (and the
    // projections that join them) are welded to their images; separated
    // halves are never welded.
    modifier[modifier_setting("LIMIT")] = d.mirror == 2 ? 0.0001 : 0.0;
}

// The viewport shows one level fewer than a render, as the host's own
// subdivisions do, but at least one.
void HostSink::add_subdivision(std::uint32_t levels)
{
    if (levels == 0)
        return;
    HostObject modifier = add_modifier("SUBSURF");
    modifier[modifier_setting("LEVELS")] = long(std::max<std::uint32_t>(levels - 1, 1));
    modifier[modifier_setting("RENDLEVELS")] = long(levels);
}

// Says on the console where the document asked for more than the host
// can build.
void HostSink::report_lowered(Modifiers const& wanted, Modifiers const& built) const
{
    std::ostream& out = console();
    if (built.steps != wanted.steps) {
        if (built.steps == 0)
            out << "\tLathe of " << wanted.steps << " steps left out: too large to build\n";
        else
            out << "\tLathe lowered from " << wanted.steps << " to " << built.steps << " steps: too large to build\n";
    }
    if (built.levels != wanted.levels) {
        if (built.levels == 0)
            out << "\tSubdivision of " << wanted.levels << " levels left out: too large to build\n";
        else
            out << "\tSubdivision lowered from " << wanted.levels << " to " << built.levels
                << " levels: too large to build\n";
    }
}

// The vertices' weights ("weit") as the vertex group "weit", one host call
// per weight; numbers beyond the mesh's vertices (and weights that are no
// number) are passed over, and a vertex given twice keeps its last weight.
void HostSink::add_weights(std::size_t vertices)
{
    if (weights_.empty())
        return;
    std::vector<std::pair<double, std::uint32_t> > by_weight;
    std::vector<bool> seen(vertices, false);
    for (auto w = weights_.rbegin(); w != weights_.rend(); ++w) {
        if (w->first < vertices && !seen[w->first] && !std::isnan(w->second)) {
            seen[w->first] = true;
            by_weight.emplace_back(w->second, w->first);
        }
    }
    std::sort(by_weight.begin(), by_weight.end());
    mesh_.attr("addVertGroup")("weit");
    HostObject const replace = host::blender("NMesh").attr("AssignModes").attr("REPLACE");
    for (std::size_t i = 0; i < by_weight.size();) {
        python::list numbers;
        std::size_t j = i;
        for (; j < by_weight.size() && by_weight[j].first == by_weight[i].first; ++j)
            numbers.append(by_weight[j].second);
        mesh_.attr("assignVertsToGroup")("weit", numbers, by_weight[i].first, replace);
        i = j;
    }
    weights_.clear();
}

// One placement step with the three components in document order,
// multiplied onto the right of the object's matrix.
void HostSink::transform(ObjectAttribute attribute, double c1, double c2, double c3)
{
    HostObject const mathutils = host::blender("Mathutils");
    HostObject step;
    if (attribute == scale_attribute) {
        // The document's second and third axes are the host's third and second.
        HostObject const rows = mathutils.attr("Matrix")(python::make_tuple(c1, 0.0, 0.0), python::make_tuple(0.0, c3, 0.0),
                                                         python::make_tuple(0.0, 0.0, c2));
        step = rows.attr("resize4x4")();
    } else if (attribute == rotation_attribute) {
        HostObject const euler = mathutils.attr("Euler")(python::make_tuple(c1, c3, c2));
        step = euler.attr("toMatrix")().attr("resize4x4")();
    } else {
        double const s = scale_;
        HostObject const offset = mathutils.attr("Vector")(python::make_tuple(c1 * s, -(c3 * s), c2 * s));
        step = mathutils.attr("TranslationMatrix")(offset);
    }
    HostObject const current = object_.attr("matrix");
    object_.attr("setMatrix")(current * step);
}

void HostSink::begin_vertices()
{
    vert_ = host::blender("NMesh").attr("Vert");
}

// Document axes (x, y, z) become the host's (x, -z, y), times the scale
// factor; each vertex goes to the end of the mesh's vertex list.
void HostSink::vertex(float x, float y, float z)
{
    double const host_x = double(x) * scale_;
    double const host_y = -(double(z) * scale_);
    double const host_z = double(y) * scale_;
    if (joining())
        joined_.positions.insert(joined_.positions.end(), {host_x, host_y, host_z});
    add_host_vertex(host_x, host_y, host_z, false);
}

// A vertex in the host's axes; `for_faces`: one added after the face chunk
// began, which the faces still to come may use.
void HostSink::add_host_vertex(double host_x, double host_y, double host_z, bool for_faces)
{
    if (put_buffers_) {
        gathered_.vertices.insert(gathered_.vertices.end(), {host_x, host_y, host_z});
        return;
    }
    static PyObject* const verts = host::name("verts");
    static PyObject* const append = host::name("append");
    HostObject const vertex = host::call(vert_, host::number(host_x), host::number(host_y), host::number(host_z));
    host::call_method(host::attribute(mesh_, verts), append, vertex);
    if (for_faces)
        host::call_method(vertex_list_, append, vertex);
}

void HostSink::vertex_weight(std::uint32_t vertex, double weight)
{
    weights_.emplace_back(vertex, weight);
}

std::size_t HostSink::vertex_count()
{
    if (put_buffers_)
        return gathered_.vertices.size() / 3;
    return host_count(mesh_.attr("verts"));
}

void HostSink::begin_faces()
{
    // What subdividing costs around busy vertices: counted only where the
    // object is subdivided.
    uses_.reset(display_.patch != 0 ? vertex_count() : 0);
    if (put_buffers_)
        return;
    face_class_ = host::blender("NMesh").attr("Face");
    vertex_list_ = python::list(mesh_.attr("verts"));
}

// Vertices are looked up in the list copy that begin_faces made, so its
// items are read directly.
HostObject HostSink::vertex_at(std::uint32_t number) const
{
    PyObject* const list = vertex_list_.ptr();
    if (number >= std::size_t(PyList_GET_SIZE(list)))
        raise_beyond_list();
    return HostObject(python::handle<>(python::borrowed(PyList_GET_ITEM(list, number))));
}

void HostSink::edge(std::uint32_t first, std::uint32_t second)
{
    ++counts_.edges;
    uses_.use(first);
    uses_.use(second);
    if (put_buffers_) {
        std::int32_t const a = std::int32_t(checked_vertex(second));
        std::int32_t const b = std::int32_t(checked_vertex(first));
        gathered_.edges.insert(gathered_.edges.end(), {a, b});
        return;
    }
    static PyObject* const add_edge_name = host::name("addEdge");
    host::call_method(mesh_, add_edge_name, vertex_at(second), vertex_at(first));
}

void HostSink::face(FaceLine const& line, std::size_t corners)
{
    add_face(line, corners);
    remember_face(line, corners);
}

void HostSink::remember_face(FaceLine const& line, std::size_t corners)
{
    if (!joining())
        return;
    joined_.corners.insert(joined_.corners.end(), line.vertex_indices.begin(), line.vertex_indices.begin() + corners);
    joined_.counts.push_back(std::uint32_t(corners));
    joined_.materials.push_back(line.material_number);
}

// Connected mirror halves, as Metasequoia shows them: every open edge (an
// edge of one face only) that faces a mirror plane (its face lies farther
// from the plane than the edge) and whose two ends lie within the mirror
// distance of the plane (any distance when the document names none) gets
// a face to the plane, to the ends' projections onto it; the mirror
// modifier then welds those projections to their mirror images, so the
// halves join where the model reaches the plane. Ends on the plane are
// their own projections.
void HostSink::join_mirror_halves()
{
    if (!joining())
        return;
    Joined const& j = joined_;
    std::size_t const original = j.positions.size() / 3;
    // Each edge by its two vertex numbers: how many faces use it, and the
    // first face's direction and material; the edges in first-use order.
    struct Use
    {
        std::uint32_t from, to;
        std::uint32_t face;
        std::uint32_t faces;
    };
    std::unordered_map<std::uint64_t, Use> uses;
    std::vector<std::uint64_t> order;
    for (std::size_t f = 0, at = 0; f < j.counts.size(); at += j.counts[f], ++f) {
        std::uint32_t const n = j.counts[f];
        for (std::uint32_t i = 0; i < n; ++i) {
            std::uint32_t const a = j.corners[at + i];
            std::uint32_t const b = j.corners[at + (i + 1) % n];
            if (a == b || a >= original || b >= original)
                continue;
            std::uint64_t const key = std::uint64_t(std::min(a, b)) << 32 | std::max(a, b);
            auto const made = uses.try_emplace(key, Use{a, b, std::uint32_t(f), 0});
            if (made.second)
                order.push_back(key);
            ++made.first->second.faces;
        }
    }
    // Older documents name no distance: facing open edges are joined at any.
    double const reach = display_.mirror_distance >= 0.0 ? display_.mirror_distance * std::abs(scale_)
                                                         : std::numeric_limits<double>::infinity();
    std::vector<std::size_t> starts(j.counts.size());
    for (std::size_t f = 0, at = 0; f < j.counts.size(); at += j.counts[f], ++f)
        starts[f] = at;
    // The document's axis bits: 1 X, 2 Y, 4 Z.
    for (std::uint32_t document_axis = 0; document_axis < 3; ++document_axis) {
        if (!(display_.mirror_axis & (1u << document_axis)))
            continue;
        long const axis = host_axis(document_axis);
        auto const distance = [&](std::uint32_t v) { return std::abs(j.positions[3 * v + axis]); };
        // How far a face's corners lie from the plane, on average: worked
        // out once per face, however many of its edges are open.
        std::vector<double> face_distances(j.counts.size(), -1.0);
        auto const face_distance = [&](std::uint32_t f) {
            if (face_distances[f] < 0.0) {
                double sum = 0.0;
                for (std::uint32_t i = 0; i < j.counts[f]; ++i) {
                    std::uint32_t const v = j.corners[starts[f] + i];
                    sum += v < original ? j.positions[3 * v + axis] : 0.0;
                }
                face_distances[f] = std::abs(sum / j.counts[f]);
            }
            return face_distances[f];
        };
        std::unordered_map<std::uint32_t, std::uint32_t> projections;
        auto const near = [&](std::uint32_t v) { return distance(v) <= reach; };
        auto const projection = [&](std::uint32_t v) {
            if (j.positions[3 * v + axis] == 0.0)
                return v;
            auto const found = projections.find(v);
            if (found != projections.end())
                return found->second;
            double p[3] = {j.positions[3 * v], j.positions[3 * v + 1], j.positions[3 * v + 2]};
            p[axis] = 0.0;
            std::uint32_t const made = std::uint32_t(vertex_count());
            add_host_vertex(p[0], p[1], p[2], true);
            projections.emplace(v, made);
            return made;
        };
        // A face parallel to the plane whose front looks away from it (a
        // wall of the half seen from outside) is open towards the plane
        // along all its open edges. Its front is the side from which its
        // corners run clockwise (the host reverses them for its own
        // counter-clockwise fronts): against the Newell normal.
        long const along = (axis + 1) % 3, across = (axis + 2) % 3;
        auto const faces_away = [&](std::uint32_t f) {
            double normal = 0.0, mean = 0.0, lowest = 0.0, highest = 0.0;
            std::uint32_t const n = j.counts[f];
            for (std::uint32_t i = 0; i < n; ++i) {
                std::uint32_t const a = j.corners[starts[f] + i], b = j.corners[starts[f] + (i + 1) % n];
                if (a >= original || b >= original)
                    return false;
                double const* const p = &j.positions[3 * a];
                double const* const q = &j.positions[3 * b];
                normal += (p[along] - q[along]) * (p[across] + q[across]);
                mean += p[axis] / n;
                lowest = i == 0 ? p[axis] : std::min(lowest, p[axis]);
                highest = i == 0 ? p[axis] : std::max(highest, p[axis]);
            }
            bool const parallel = highest - lowest <= 1e-9 * std::max(std::abs(mean), 1.0);
            return parallel && normal * mean < 0.0;
        };
        for (std::uint64_t const key : order) {
            Use const& use = uses.at(key);
            if (use.faces != 1 || !near(use.from) || !near(use.to))
                continue;
            double const edge_distance = (distance(use.from) + distance(use.to)) / 2.0;
            if (!(face_distance(use.face) > edge_distance) && !(edge_distance > 0.0 && faces_away(use.face)))
                continue;
            std::uint32_t const from_plane = projection(use.from);
            std::uint32_t const to_plane = projection(use.to);
            // Against the open edge's own direction, so the new face turns
            // the same way as the face it continues.
            std::uint32_t corners[4] = {use.to, use.from, 0, 0};
            std::size_t count = 2;
            if (from_plane != use.from)
                corners[count++] = from_plane;
            if (to_plane != use.to)
                corners[count++] = to_plane;
            if (count > 2) {
                FaceLine joint;
                joint.vertex_indices.assign(corners, corners + count);
                joint.material_number = j.materials[use.face];
                add_face(joint, count);
            }
        }
    }
}

// A host face: corners reversed, material, texture coordinates (v
// flipped), colours and normals (in the host's axes), all in the reversed
// corner order.
void HostSink::add_face(FaceLine const& line, std::size_t corners)
{
    ++counts_.faces;
    counts_.corners += corners;
    counts_.irregular += irregular_face(corners);
    for (std::size_t i = 0; i < corners; ++i)
        uses_.use(line.vertex_indices[i]);
    if (put_buffers_) {
        gather_face(line, corners);
        return;
    }
    static PyObject* const append_name = host::name("append");
    static PyObject* const faces_name = host::name("faces");
    HostObject const face = host::call(face_class_);
    HostObject const append = host::attribute(face, append_name);
    for (std::size_t i = corners; i-- > 0;)
        host::call(append, vertex_at(line.vertex_indices[i]));

    if (line.material_number >= 0)
        set_material(face, line.material_number);
    if (display_.smooth) {
        static PyObject* const smooth_name = host::name("smooth");
        host::set_attribute(face, smooth_name, host::integer(1));
    }

    if (float const* const uv_values = line.uv_for(corners)) {
        static PyObject* const uv_name = host::name("uv");
        HostObject const uv = host::take(PyList_New(Py_ssize_t(corners)));
        for (std::size_t i = corners, slot = 0; i-- > 0; ++slot) {
            PyObject* const pair = PyTuple_Pack(2, host::number(double(uv_values[2 * i])).ptr(),
                                                host::number(1.0 - double(uv_values[2 * i + 1])).ptr());
            if (!pair)
                python::throw_error_already_set();
            PyList_SET_ITEM(uv.ptr(), Py_ssize_t(slot), pair);
        }
        host::set_attribute(face, uv_name, uv);
    }
    if (std::uint32_t const* const colour_values = line.colours_for(corners)) {
        static PyObject* const col_name = host::name("col");
        static PyObject* const nmesh_name = host::name("NMesh");
        static PyObject* const colour_name = host::name("Col");
        HostObject const colour = host::attribute(host::blender(nmesh_name), colour_name);
        HostObject const colours = host::take(PyList_New(Py_ssize_t(corners)));
        for (std::size_t i = corners, slot = 0; i-- > 0; ++slot) {
            std::uint32_t const packed = colour_values[i];
            HostObject const made =
                host::call(colour, host::integer(packed & 0xFF), host::integer(packed >> 8 & 0xFF),
                           host::integer(packed >> 16 & 0xFF), host::integer(packed >> 24 & 0xFF));
            PyList_SET_ITEM(colours.ptr(), Py_ssize_t(slot), python::incref(made.ptr()));
        }
        host::set_attribute(face, col_name, colours);
    }
    if (float const* const normals = line.normals_for(corners)) {
        static PyObject* const normals_name = host::name("normals");
        HostObject const list = host::take(PyList_New(Py_ssize_t(corners)));
        for (std::size_t i = corners, slot = 0; i-- > 0; ++slot) {
            float const* const n = normals + 3 * i;
            PyObject* const triple = PyTuple_Pack(3, host::number(double(n[0])).ptr(),
                                                  host::number(-double(n[2])).ptr(), host::number(double(n[1])).ptr());
            if (!triple)
                python::throw_error_already_set();
            PyList_SET_ITEM(list.ptr(), Py_ssize_t(slot), triple);
        }
        host::set_attribute(face, normals_name, list);
    }
    host::call_method(host::attribute(mesh_, faces_name), append_name, face);
}

// Points the face at the mesh slot of its document material.
void HostSink::set_material(HostObject const& face, std::int32_t number)
{
    static PyObject* const material_index = host::name("materialIndex");
    host::set_attribute(face, material_index, host::integer(mesh_slot(number)));
}

// A vertex number of the mesh being gathered; one beyond its vertices is
// the host's lookup error, as a lookup in the vertex list would raise.
std::uint32_t HostSink::checked_vertex(std::uint32_t number) const
{
    if (number >= gathered_.vertices.size() / 3)
        raise_beyond_list();
    return number;
}

// The mesh slot of a document material, added to the mesh on its first use
// there; the slots are remembered, so a face finds its own in constant time
// however many materials the mesh holds.
std::int32_t HostSink::mesh_slot(std::int32_t number)
{
    auto const found = mesh_slots_.find(number);
    if (found != mesh_slots_.end())
        return found->second;
    if (std::size_t(number) >= material_count_)
        raise_beyond_list();
    static PyObject* const add_material = host::name("addMaterial");
    host::call_method(mesh_, add_material, HostObject(materials_[number]));
    std::int32_t const slot = std::int32_t(mesh_slots_.size());
    mesh_slots_.emplace(number, slot);
    return slot;
}

void HostSink::gather_face(FaceLine const& line, std::size_t corners)
{
    Gathered& g = gathered_;
    for (std::size_t i = corners; i-- > 0;)
        g.corners.push_back(std::int32_t(checked_vertex(line.vertex_indices[i])));
    g.materials.push_back(line.material_number >= 0 ? mesh_slot(line.material_number) : 0);
    float const* const uv = line.uv_for(corners);
    std::uint32_t const* const colours = line.colours_for(corners);
    float const* const normals = line.normals_for(corners);
    g.some_normals = g.some_normals || normals;
    for (std::size_t i = corners; i-- > 0;) {
        g.uv.push_back(uv ? uv[2 * i] : 0.0f);
        g.uv.push_back(uv ? float(1.0 - double(uv[2 * i + 1])) : 0.0f);
        std::uint32_t const packed = colours ? colours[i] : 0xFFFFFFFFu;
        g.colours.insert(g.colours.end(), {std::uint8_t(packed & 0xFF), std::uint8_t(packed >> 8 & 0xFF),
                                           std::uint8_t(packed >> 16 & 0xFF), std::uint8_t(packed >> 24 & 0xFF)});
        if (normals)
            g.normals.insert(g.normals.end(), {normals[3 * i], -normals[3 * i + 2], normals[3 * i + 1]});
        else
            g.normals.insert(g.normals.end(), {0.0f, 0.0f, 0.0f});
    }
    g.counts.push_back(std::int32_t(corners));
}

void HostSink::end_faces(bool some_uv, bool some_colours)
{
    if (put_buffers_) {
        gathered_.some_uv = some_uv;
        gathered_.some_colours = some_colours;
        return;
    }
    if (some_uv)
        mesh_.attr("hasFaceUV")(1);
    if (some_colours)
        mesh_.attr("hasVertexColours")(1);
}

std::size_t HostSink::face_count()
{
    if (put_buffers_)
        return gathered_.counts.size();
    return host_count(mesh_.attr("faces"));
}

namespace {

template <typename T>
HostObject buffer_of(std::vector<T> const& values)
{
    return host::take(PyBytes_FromStringAndSize(reinterpret_cast<const char*>(values.data()),
                                                Py_ssize_t(values.size() * sizeof(T))));
}

}  // namespace

// The gathered mesh in one call: vertices (doubles), corner counts, corners,
// texture coordinates and colours (or None when no face had them), material
// slots per face and edges (32-bit integers), as bytes in the machine's
// order, whether the faces are smooth, and the corners' normals (floats,
// x y z in the host's axes, 0 0 0 where a corner has none; None when no
// face had them).
void HostSink::put_gathered()
{
    Gathered& g = gathered_;
    HostObject const none;
    host::call(put_buffers_, buffer_of(g.vertices), buffer_of(g.counts), buffer_of(g.corners),
               g.some_uv ? buffer_of(g.uv) : none, g.some_colours ? buffer_of(g.colours) : none,
               buffer_of(g.materials), buffer_of(g.edges), HostObject(display_.smooth),
               g.some_normals ? buffer_of(g.normals) : none);
    g = Gathered();
}

void HostSink::end_object()
{
    join_mirror_halves();
    std::size_t const vertices = vertex_count();
    if (display_.smooth) {
        mesh_.attr("setMode")("AutoSmooth");
        mesh_.attr("setMaxSmoothAngle")(display_.facet);
    }
    if (put_buffers_)
        put_gathered();
    else
        mesh_.attr("update")();
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
void HostSink::place(std::size_t index, std::ptrdiff_t parent, bool degenerate_scale)
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
