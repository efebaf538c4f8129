#include "assembly/face_chunk.hpp"

#include "assembly/face.hpp"

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

struct FaceBuilder
{
    ObjectStageContext const& context;
    HostObject const& mesh;
    HostObject face_class;
    HostObject vertex_list;
    bool some_uv = false;
    bool some_colours = false;

    HostObject vertex(std::uint32_t number) const { return vertex_list[number]; }

    void add_edge(Face const& line) const
    {
        mesh.attr("addEdge")(vertex(line.vertex_indices[1]), vertex(line.vertex_indices[0]));
    }

    void add_face(Face const& line, std::size_t corners)
    {
        HostObject face = face_class();
        HostObject const append = face.attr("append");
        for (std::size_t i = corners; i-- > 0;)
            append(vertex(line.vertex_indices[i]));

        if (line.material_number >= 0) {
            HostObject const material = context.materials[line.material_number];
            int const uses = python::extract<int>(mesh.attr("getMaterials")().attr("count")(material));
            if (uses == 0)
                mesh.attr("addMaterial")(material);
            face.attr("materialIndex") = mesh.attr("materials").attr("index")(material);
        }

        // Texture coordinates and colours count only where every corner has them.
        if (line.has_uv && line.uv_values.count >= 2 * corners) {
            some_uv = true;
            python::list uv;
            for (std::size_t i = corners; i-- > 0;)
                uv.append(python::make_tuple(double(line.uv_values[2 * i]), 1.0 - double(line.uv_values[2 * i + 1])));
            face.attr("uv") = uv;
        }
        if (line.has_colours && line.colour_values.count >= corners) {
            some_colours = true;
            HostObject const colour = host::blender("NMesh").attr("Col");
            python::list colours;
            for (std::size_t i = corners; i-- > 0;) {
                std::uint32_t const packed = line.colour_values[i];
                colours.append(colour(packed & 0xFF, packed >> 8 & 0xFF, packed >> 16 & 0xFF, packed >> 24 & 0xFF));
            }
            face.attr("col") = colours;
        }
        mesh.attr("faces").attr("append")(face);
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
