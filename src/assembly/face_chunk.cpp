#include "assembly/face_chunk.hpp"

#include "document/face_line.hpp"
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

bool parse_face_line(scanner_t const& scan, std::int32_t& count, FaceLine& face)
{
    using namespace classic;
    auto const line_count = unsigned_value_parser().parse(scan);
    if (!line_count || !str_p("V(").parse(scan))
        return false;
    auto const corners = index_list_parser().parse(scan);
    if (!corners || !ch_p(')').parse(scan))
        return false;
    count = static_cast<std::int32_t>(line_count.value());
    auto const take = [](auto const& list, auto& values) {
        values.assign(list.values.begin(), list.values.begin() + list.count);
    };
    take(corners.value(), face.vertex_indices);
    optional_part(scan, "M(", signed_integer_parser(), face.material_number);
    bounded_list<float, 8> uv;
    if ((face.has_uv = optional_part(scan, "UV(", uv_list_parser(), uv)))
        take(uv, face.uv_values);
    bounded_list<std::uint32_t, 4> colours;
    if ((face.has_colours = optional_part(scan, "COL(", index_list_parser(), colours)))
        take(colours, face.colour_values);
    return true;
}

namespace {

// Values up to a ")", each with its own whitespace skipping; false, with the
// list as far as it came, when something else stands in the way.
template <typename ElementT, typename ListT>
bool read_list_to_close(scanner_t const& scan, ElementT const& element, ListT& values)
{
    // The value is taken by an action, not from the match: GCC 14 cannot
    // see that a failed match's value is never read.
    typename ListT::value_type value{};
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
template <typename ElementT, typename ListT>
bool list_part(scanner_t const& scan, const char* literal, ElementT const& element, ListT& values, bool& present)
{
    return restore_on_failure(scan, [&] {
        if (!classic::str_p(literal).parse(scan))
            return false;
        values.clear();
        return present = read_list_to_close(scan, element, values);
    });
}

typedef boost::container::small_vector<float, 16> normal_part;

// "N(" a flag per corner, then the normals: three values for every corner,
// or for each corner whose flag is not 0. A corner whose flag is 0 keeps
// the normal its shading gives (0 0 0 here). A part of any other length
// gives no normals.
void corner_normals(normal_part const& part, std::size_t corners, FaceLine& face)
{
    face.normal_values.clear();
    if (part.size() < corners)
        return;
    std::size_t flagged = 0;
    for (std::size_t i = 0; i < corners; ++i)
        flagged += part[i] != 0.0f;
    bool const every = part.size() == 4 * corners;
    if (!every && part.size() != corners + 3 * flagged)
        return;
    float const* next = part.data() + corners;
    for (std::size_t i = 0; i < corners; ++i) {
        bool const given = part[i] != 0.0f;
        for (std::size_t k = 0; k < 3; ++k)
            face.normal_values.push_back(given ? next[k] : 0.0f);
        if (given || every)
            next += 3;
    }
}

// The parts of an extended face line after its corners: "M(", "UV(",
// "COL(" and "N(" in any order; others ("UID(...)", "CRS(...)") are
// skipped. The normals are read for `corners` corners.
void extended_parts(scanner_t const& scan, std::size_t corners, FaceLine& face)
{
    normal_part normals;
    bool has_normals = false;
    while (optional_part(scan, "M(", signed_integer_parser(), face.material_number) ||
           list_part(scan, "UV(", single_real_parser(), face.uv_values, face.has_uv) ||
           list_part(scan, "COL(", unsigned_value_parser(), face.colour_values, face.has_colours) ||
           list_part(scan, "N(", single_real_parser(), normals, has_normals) || skip_foreign_call(scan))
        continue;
    if (has_normals)
        corner_normals(normals, corners, face);
}

// A face line of an extended document: the count, "V(" any number of
// corners ")", then its parts in any order.
bool parse_polygon_line(scanner_t const& scan, std::int32_t& count, FaceLine& face)
{
    using namespace classic;
    auto const line_count = unsigned_value_parser().parse(scan);
    if (!line_count || !str_p("V(").parse(scan) ||
        !read_list_to_close(scan, unsigned_value_parser(), face.vertex_indices) || face.vertex_indices.empty())
        return false;
    count = static_cast<std::int32_t>(line_count.value());
    extended_parts(scan, std::size_t(count), face);
    return true;
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
        FaceLine line;
        std::int32_t count = 0;
        iterator_t const line_start = scan.first;
        bool polygon_line = extended.known_on();
        if (!polygon_line && !parse_face_line(scan, count, line)) {
            // A line the plain rules cannot read: more than four corners,
            // or parts they do not know ("}" ends the chunk as usual).
            if (*line_start < '0' || *line_start > '9' || !extended.on())
                break;
            scan.first = line_start;
            line = FaceLine();
            polygon_line = true;
        }
        if (polygon_line) {
            if (!parse_polygon_line(scan, count, line))
                break;
        } else if (foreign_call_at(scan) && extended.on()) {
            // Parts after the known ones ("N(...)", "UID(...)", ...).
            extended_parts(scan, std::size_t(count), line);
        }
        std::size_t const most = polygon_line ? line.vertex_indices.size() : 4;
        if (count < 2 || std::size_t(count) > most || std::size_t(count) > line.vertex_indices.size())
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
