#include "assembly/face_chunk.hpp"

#include "assembly/face.hpp"
#include "host/fast_call.hpp"

#include <boost/python/extract.hpp>
#include <boost/python/tuple.hpp>

namespace MQO {

namespace python = boost::python;

namespace {

typedef vector_parser<std::uint32_t, 4, unsigned_value_parser> index_list_parser;
typedef vector_parser<float, 8, single_real_parser> uv_list_parser;

// One optional part of a face line: its literal, its value, ")". On failure
// the scanner goes back to where the part began and the part is absent.
template <typename ValueParserT, typename ValueT>
bool optional_part(scanner_t const& scan, const char* literal, ValueParserT const& parser, ValueT& value)
{
    using namespace classic;
    iterator_t const start = scan.first;
    if (str_p(literal).parse(scan)) {
        auto const hit = parser.parse(scan);
        if (hit && ch_p(')').parse(scan)) {
            value = hit.value();
            return true;
        }
    }
    scan.first = start;
    return false;
}

}  // namespace

bool parse_face_line(scanner_t const& scan, std::int32_t& count, Face& face)
{
    using namespace classic;
    auto const line_count = unsigned_value_parser().parse(scan);
    if (!line_count || !str_p("V(").parse(scan))
        return false;
    auto const corners = index_list_parser().parse(scan);
    if (!corners || !ch_p(')').parse(scan))
        return false;
    count = static_cast<std::int32_t>(line_count.value());
    face.vertex_indices = corners.value();
    optional_part(scan, "M(", signed_integer_parser(), face.material_number);
    face.has_uv = optional_part(scan, "UV(", uv_list_parser(), face.uv_values);
    face.has_colours = optional_part(scan, "COL(", index_list_parser(), face.colour_values);
    return true;
}

namespace {

// Turns face lines into host faces and edges. Vertices are looked up in a
// list copy of the mesh's vertices that this code made itself, so it reads
// its items directly.
struct FaceBuilder
{
    ObjectStageContext const& context;
    HostObject const& mesh;
    HostObject face_class;
    HostObject vertex_list;
    bool some_uv = false;
    bool some_colours = false;

    HostObject vertex(std::uint32_t number) const
    {
        PyObject* const list = vertex_list.ptr();
        if (number >= std::size_t(PyList_GET_SIZE(list))) {
            PyErr_SetString(PyExc_IndexError, "list index out of range");
            python::throw_error_already_set();
        }
        return HostObject(python::handle<>(python::borrowed(PyList_GET_ITEM(list, number))));
    }

    void add_edge(Face const& line) const
    {
        static PyObject* const add_edge_name = host::name("addEdge");
        host::call_method(mesh, add_edge_name, vertex(line.vertex_indices[1]), vertex(line.vertex_indices[0]));
    }

    void add_face(Face const& line, std::size_t corners)
    {
        static PyObject* const append_name = host::name("append");
        static PyObject* const faces_name = host::name("faces");
        HostObject const face = host::call(face_class);
        HostObject const append = host::attribute(face, append_name);
        for (std::size_t i = corners; i-- > 0;)
            host::call(append, vertex(line.vertex_indices[i]));

        if (line.material_number >= 0)
            set_material(face, line.material_number);

        // Texture coordinates and colours count only where every corner has them.
        if (line.has_uv && line.uv_values.count >= 2 * corners) {
            static PyObject* const uv_name = host::name("uv");
            some_uv = true;
            HostObject const uv = host::take(PyList_New(Py_ssize_t(corners)));
            for (std::size_t i = corners, slot = 0; i-- > 0; ++slot) {
                PyObject* const pair = PyTuple_Pack(2, host::number(double(line.uv_values[2 * i])).ptr(),
                                                    host::number(1.0 - double(line.uv_values[2 * i + 1])).ptr());
                if (!pair)
                    python::throw_error_already_set();
                PyList_SET_ITEM(uv.ptr(), Py_ssize_t(slot), pair);
            }
            host::set_attribute(face, uv_name, uv);
        }
        if (line.has_colours && line.colour_values.count >= corners) {
            static PyObject* const col_name = host::name("col");
            static PyObject* const nmesh_name = host::name("NMesh");
            static PyObject* const colour_name = host::name("Col");
            some_colours = true;
            HostObject const colour = host::attribute(host::blender(nmesh_name), colour_name);
            HostObject const colours = host::take(PyList_New(Py_ssize_t(corners)));
            for (std::size_t i = corners, slot = 0; i-- > 0; ++slot) {
                std::uint32_t const packed = line.colour_values[i];
                HostObject const made =
                    host::call(colour, host::integer(packed & 0xFF), host::integer(packed >> 8 & 0xFF),
                               host::integer(packed >> 16 & 0xFF), host::integer(packed >> 24 & 0xFF));
                PyList_SET_ITEM(colours.ptr(), Py_ssize_t(slot), python::incref(made.ptr()));
            }
            host::set_attribute(face, col_name, colours);
        }
        host::call_method(host::attribute(mesh, faces_name), append_name, face);
    }

    // Adds the document material to the mesh on its first use there, and
    // points the face at its slot.
    void set_material(HostObject const& face, std::int32_t number) const
    {
        static PyObject* const get_materials = host::name("getMaterials");
        static PyObject* const count_name = host::name("count");
        static PyObject* const add_material = host::name("addMaterial");
        static PyObject* const materials_name = host::name("materials");
        static PyObject* const index_name = host::name("index");
        static PyObject* const material_index = host::name("materialIndex");
        HostObject const material = context.materials[number];
        HostObject const uses = host::call_method(host::call_method(mesh, get_materials), count_name, material);
        if (python::extract<int>(uses) == 0)
            host::call_method(mesh, add_material, material);
        host::set_attribute(face, material_index,
                            host::call_method(host::attribute(mesh, materials_name), index_name, material));
    }
};

}  // namespace

bool parse_face_chunk(ObjectStageContext const& context, scanner_t const& scan, HostObject const& mesh)
{
    using namespace classic;
    if (!(str_p("face") >> signed_integer_parser() >> ch_p('{')).parse(scan))
        return false;

    FaceBuilder builder{context, mesh, host::blender("NMesh").attr("Face"), python::list(mesh.attr("verts"))};
    iterator_t const start = scan.first;
    for (;;) {
        skip_whitespace(scan);
        if (scan.first == scan.last)
            break;
        Face line;
        std::int32_t count = 0;
        if (!parse_face_line(scan, count, line))
            break;
        // A line that counts more corners than it lists builds nothing.
        if (count < 2 || count > 4 || std::size_t(count) > line.vertex_indices.count)
            continue;
        if (count == 2)
            builder.add_edge(line);
        else
            builder.add_face(line, std::size_t(count));
    }
    ch_p('}').parse(scan);

    if (builder.some_uv)
        mesh.attr("hasFaceUV")(1);
    if (builder.some_colours)
        mesh.attr("hasVertexColours")(1);
    return scan.first != start;
}

}  // namespace MQO
