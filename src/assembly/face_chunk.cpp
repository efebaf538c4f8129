#include "assembly/face_chunk.hpp"

#include "assembly/face.hpp"
#include "document/foreign.hpp"

#include <boost/spirit/include/classic_assign_actor.hpp>

#include <vector>

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

namespace {

// Values up to a ")", each with its own whitespace skipping; false, with the
// list as far as it came, when something else stands in the way.
template <typename ElementT, typename T>
bool read_list_to_close(scanner_t const& scan, ElementT const& element, std::vector<T>& values)
{
    // The value is taken by an action, not from the match: GCC 14 cannot
    // see that a failed match's value is never read.
    T value{};
    auto const take = element[classic::assign_a(value)];
    for (;;) {
        if (!take.parse(scan))
            return bool(classic::ch_p(')').parse(scan));
        values.push_back(value);
    }
}

// A part of an extended face line holding a list of any length: its
// literal, the values, ")". `present` tells whether the last such part was
// read whole; on failure the scanner goes back to where the part began.
template <typename ElementT, typename T>
bool list_part(scanner_t const& scan, const char* literal, ElementT const& element, std::vector<T>& values,
               bool& present)
{
    return restore_on_failure(scan, [&] {
        if (!classic::str_p(literal).parse(scan))
            return false;
        values.clear();
        return present = read_list_to_close(scan, element, values);
    });
}

// A face line of an extended document: the count, "V(" any number of
// corners ")", then "M(", "UV(" and "COL(" in any order, and other parts
// ("UID(...)", "N(...)", "CRS(...)") skipped.
bool parse_polygon_line(scanner_t const& scan, std::int32_t& count, Polygon& face)
{
    using namespace classic;
    auto const line_count = unsigned_value_parser().parse(scan);
    if (!line_count || !str_p("V(").parse(scan) ||
        !read_list_to_close(scan, unsigned_value_parser(), face.vertex_indices) || face.vertex_indices.empty())
        return false;
    count = static_cast<std::int32_t>(line_count.value());
    while (optional_part(scan, "M(", signed_integer_parser(), face.material_number) ||
           list_part(scan, "UV(", single_real_parser(), face.uv_values, face.has_uv) ||
           list_part(scan, "COL(", unsigned_value_parser(), face.colour_values, face.has_colours) ||
           skip_foreign_call(scan))
        continue;
    return true;
}

// The same face as a line of at most four corners.
Face four_corner_face(Polygon const& line)
{
    Face face;
    for (std::size_t i = 0; i < line.vertex_indices.size() && i < 4; ++i)
        face.vertex_indices.values[face.vertex_indices.count++] = line.vertex_indices[i];
    face.has_uv = line.has_uv && line.uv_values.size() <= 8;
    for (std::size_t i = 0; face.has_uv && i < line.uv_values.size(); ++i)
        face.uv_values.values[face.uv_values.count++] = line.uv_values[i];
    face.has_colours = line.has_colours && line.colour_values.size() <= 4;
    for (std::size_t i = 0; face.has_colours && i < line.colour_values.size(); ++i)
        face.colour_values.values[face.colour_values.count++] = line.colour_values[i];
    face.material_number = line.material_number;
    return face;
}

}  // namespace

bool parse_face_chunk(scanner_t const& scan, DocumentSink& sink, ExtendedSwitch& extended)
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
        iterator_t const line_start = scan.first;
        bool polygon_line = extended.known_on();
        if (!polygon_line && !parse_face_line(scan, count, line)) {
            // A line the plain rules cannot read: more than four corners,
            // or parts they do not know ("}" ends the chunk as usual).
            if (*line_start < '0' || *line_start > '9' || !extended.on())
                break;
            scan.first = line_start;
            polygon_line = true;
        }
        if (polygon_line) {
            Polygon polygon;
            if (!parse_polygon_line(scan, count, polygon))
                break;
            if (count < 2 || std::size_t(count) > polygon.vertex_indices.size())
                continue;
            if (count > 4) {
                std::size_t const corners = std::size_t(count);
                sink.polygon(polygon, corners);
                some_uv = some_uv || polygon.uv_for(corners);
                some_colours = some_colours || polygon.colours_for(corners);
                continue;
            }
            line = four_corner_face(polygon);
        } else if (foreign_call_at(scan) && extended.on()) {
            // Parts after the known ones ("UID(...)", ...).
            while (skip_foreign_call(scan))
                continue;
        }
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
