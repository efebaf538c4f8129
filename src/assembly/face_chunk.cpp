#include "assembly/face_chunk.hpp"

#include "assembly/face.hpp"

namespace MQO {

namespace {

typedef vector_parser<std::uint32_t, 4, unsigned_value_parser> index_list_parser;
typedef vector_parser<float, 8, single_real_parser> uv_list_parser;

// One optional part of a face line: its literal, its value, ")". On failure
// the scanner goes back to where the part began and the part is absent.
template <typename ValueParserT, typename ValueT>
bool optional_part(scanner_t const& scan, const char* literal, ValueParserT const& parser, ValueT& value)
{
    using namespace classic;
    return restore_on_failure(scan, [&] {
        if (!str_p(literal).parse(scan))
            return false;
        auto const hit = parser.parse(scan);
        if (!hit || !ch_p(')').parse(scan))
            return false;
        value = hit.value();
        return true;
    });
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

bool parse_face_chunk(scanner_t const& scan, DocumentSink& sink)
{
    using namespace classic;
    if (!(str_p("face") >> signed_integer_parser() >> ch_p('{')).parse(scan))
        return false;

    sink.begin_faces();
    bool some_uv = false;
    bool some_colours = false;
    iterator_t const start = scan.first;
    for (;;) {
        skip_whitespace(scan);
        if (scan.first == scan.last)
            break;
        Face line;
        std::int32_t count = 0;
        if (!parse_face_line(scan, count, line))
            break;
        if (count < 2 || count > 4 || std::size_t(count) > line.vertex_indices.count)
            continue;
        std::size_t const corners = std::size_t(count);
        if (corners == 2) {
            sink.edge(line.vertex_indices[0], line.vertex_indices[1]);
            continue;
        }
        sink.face(line, corners);
        some_uv = some_uv || line.uv_for(corners);
        some_colours = some_colours || line.colours_for(corners);
    }
    ch_p('}').parse(scan);

    sink.end_faces(some_uv, some_colours);
    return scan.first != start;
}

}  // namespace MQO
