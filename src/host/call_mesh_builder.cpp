// A mesh built through the 2.4x calls: a host object per vertex, face,
// corner and edge, written by the mesh's update().
#include "host/mesh_builder.hpp"

#include "document/face_line.hpp"
#include "host/fast_call.hpp"

#include <boost/python/list.hpp>

namespace MQO {

namespace python = boost::python;

namespace {

class CallByCallBuilder : public MeshBuilder
{
public:
    CallByCallBuilder(HostObject const& mesh, MeshSlots slots) : MeshBuilder(mesh, std::move(slots)) {}

    void begin_vertices() override { vert_ = host::blender("NMesh").attr("Vert"); }

    void vertex(double x, double y, double z) override
    {
        static PyObject* const verts = host::name("verts");
        static PyObject* const append = host::name("append");
        HostObject const vertex = host::call(vert_, host::number(x), host::number(y), host::number(z));
        host::call_method(host::attribute(mesh_, verts), append, vertex);
        if (faces_begun_)
            host::call_method(vertex_list_, append, vertex);
    }

    std::size_t vertex_count() override { return host_count(mesh_.attr("verts")); }

    void begin_faces() override
    {
        face_class_ = host::blender("NMesh").attr("Face");
        vertex_list_ = python::list(mesh_.attr("verts"));
        faces_begun_ = true;
    }

    void face(FaceLine const& line, std::size_t corners) override;

    void edge(std::uint32_t first, std::uint32_t second) override
    {
        static PyObject* const add_edge_name = host::name("addEdge");
        host::call_method(mesh_, add_edge_name, vertex_at(second), vertex_at(first));
    }

    void end_faces(bool some_uv, bool some_colours) override
    {
        if (some_uv)
            mesh_.attr("hasFaceUV")(1);
        if (some_colours)
            mesh_.attr("hasVertexColours")(1);
    }

    std::size_t face_count() override { return host_count(mesh_.attr("faces")); }

    void finish() override { mesh_.attr("update")(); }

private:
    // Vertices are looked up in the list copy that begin_faces made, so its
    // items are read directly.
    HostObject vertex_at(std::uint32_t number) const
    {
        PyObject* const list = vertex_list_.ptr();
        if (number >= std::size_t(PyList_GET_SIZE(list)))
            raise_beyond_list();
        return HostObject(python::handle<>(python::borrowed(PyList_GET_ITEM(list, number))));
    }

    HostObject vert_;         // the host's vertex constructor
    HostObject face_class_;   // the host's face constructor
    HostObject vertex_list_;  // a list copy of the mesh's vertices, for the face chunk
    bool faces_begun_ = false;
};

// A host list of one tuple per corner, in reversed corner order, each made
// by `make` from the corner's number.
template <typename MakeT>
HostObject reversed_tuples(std::size_t corners, MakeT const& make)
{
    HostObject const list = host::take(PyList_New(Py_ssize_t(corners)));
    for (std::size_t i = corners, slot = 0; i-- > 0; ++slot) {
        PyObject* const item = make(i);
        if (!item)
            python::throw_error_already_set();
        PyList_SET_ITEM(list.ptr(), Py_ssize_t(slot), item);
    }
    return list;
}

void CallByCallBuilder::face(FaceLine const& line, std::size_t corners)
{
    static PyObject* const append_name = host::name("append");
    static PyObject* const faces_name = host::name("faces");
    HostObject const face = host::call(face_class_);
    HostObject const append = host::attribute(face, append_name);
    for (std::size_t i = corners; i-- > 0;)
        host::call(append, vertex_at(line.vertex_indices[i]));

    if (line.material_number >= 0) {
        static PyObject* const material_index = host::name("materialIndex");
        host::set_attribute(face, material_index, host::integer(slots_.slot(line.material_number)));
    }
    if (smooth_) {
        static PyObject* const smooth_name = host::name("smooth");
        host::set_attribute(face, smooth_name, host::integer(1));
    }
    if (float const* const uv = line.uv_for(corners)) {
        static PyObject* const uv_name = host::name("uv");
        host::set_attribute(face, uv_name, reversed_tuples(corners, [&](std::size_t i) {
                                return PyTuple_Pack(2, host::number(double(uv[2 * i])).ptr(),
                                                    host::number(1.0 - double(uv[2 * i + 1])).ptr());
                            }));
    }
    if (std::uint32_t const* const colours = line.colours_for(corners)) {
        static PyObject* const col_name = host::name("col");
        static PyObject* const nmesh_name = host::name("NMesh");
        static PyObject* const colour_name = host::name("Col");
        HostObject const colour = host::attribute(host::blender(nmesh_name), colour_name);
        host::set_attribute(face, col_name, reversed_tuples(corners, [&](std::size_t i) {
                                std::uint32_t const packed = colours[i];
                                HostObject const made = host::call(
                                    colour, host::integer(packed & 0xFF), host::integer(packed >> 8 & 0xFF),
                                    host::integer(packed >> 16 & 0xFF), host::integer(packed >> 24 & 0xFF));
                                return python::incref(made.ptr());
                            }));
    }
    if (float const* const normals = line.normals_for(corners)) {
        static PyObject* const normals_name = host::name("normals");
        host::set_attribute(face, normals_name, reversed_tuples(corners, [&](std::size_t i) {
                                std::array<float, 3> const n = Frame::direction(normals + 3 * i);
                                return PyTuple_Pack(3, host::number(double(n[0])).ptr(),
                                                    host::number(double(n[1])).ptr(),
                                                    host::number(double(n[2])).ptr());
                            }));
    }
    host::call_method(host::attribute(mesh_, faces_name), append_name, face);
}

}  // namespace

std::unique_ptr<MeshBuilder> call_by_call_builder(HostObject const& mesh, MeshSlots slots)
{
    return std::make_unique<CallByCallBuilder>(mesh, std::move(slots));
}

}  // namespace MQO
