#include "assembly/face_chunk.hpp"

#include "document/face_line.hpp"
#include "document/foreign.hpp"

#include <boost/spirit/include/classic_assign_actor.hpp>

#include <boost/container/small_vector.hpp>

namespace MQO {

namespace {

std::size_t const any_number = std::size_t(-1);

// Up to `most` values, each with its own whitespace skipping, then ")".
// Not even one value: the text where the first was expected is echoed to
// the console, and the list does not match; more than `most`: the ")"
// is missing, and it does not match either.
template <typename ElementT, typename ListT>
bool read_values(scanner_t const& scan, ElementT const& element, std::size_t most, ListT& values, bool echo)
{
    // The value is taken by an action, not from the match: GCC 14 cannot
    // see that a failed match's value is never read.
    typename ListT::value_type value{};
    auto const take = element[classic::assign_a(value)];
    values.clear();
    while (values.size() < most) {
        // A number that cannot be read (beyond its type) leaves the
        // scanner where the number began, not inside it.
        iterator_t const before = scan.first;
        if (!take.parse(scan)) {
            scan.first = before;
            break;
        }
        values.push_back(value);
    }
    if (values.empty()) {
        skip_whitespace(scan);
        if (echo)
            echo_unreadable(scan.first, scan.last);
        return false;
    }
    return bool(classic::ch_p(')').parse(scan));
}

// One part of a face line: its literal, then its values up to ")". On
// failure the scanner goes back to where the part began and the part is
// absent; `present` tells whether the last such part was read whole.
template <typename ElementT, typename ListT>
bool list_part(scanner_t const& scan, const char* literal, ElementT const& element, std::size_t most,
               ListT& values, bool& present, bool echo)
{
    return restore_on_failure(scan, [&] {
        return classic::str_p(literal).parse(scan) && (present = read_values(scan, element, most, values, echo));
    });
}

// "M(" a number ")": the face's material, taken only when the part is read
// whole (an unclosed part is absent).
bool material_part(scanner_t const& scan, FaceLine& face)
{
    using namespace classic;
    std::int32_t number = 0;
    bool const whole = restore_on_failure(scan, [&] {
        return bool((str_p("M(") >> signed_integer_parser()[assign_a(number)] >> ch_p(')')).parse(scan));
    });
    if (whole)
        face.material_number = number;
    return whole;
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

}  // namespace

bool parse_face_line(scanner_t const& scan, FaceLineRule rule, std::int32_t& count, FaceLine& face)
{
    using namespace classic;
    auto const line_count = unsigned_value_parser().parse(scan);
    if (!line_count || !str_p("V(").parse(scan) ||
        !read_values(scan, unsigned_value_parser(), rule.most_corners, face.vertex_indices, rule.echo))
        return false;
    count = static_cast<std::int32_t>(line_count.value());
    std::size_t const most = rule.most_corners;
    std::size_t const most_coordinates = most == any_number ? most : 2 * most;
    if (!rule.any_order) {
        material_part(scan, face);
        list_part(scan, "UV(", single_real_parser(), most_coordinates, face.uv_values, face.has_uv, rule.echo);
        list_part(scan, "COL(", unsigned_value_parser(), most, face.colour_values, face.has_colours, rule.echo);
        return true;
    }
    normal_part normals;
    bool has_normals = false;
    while (material_part(scan, face) ||
           list_part(scan, "UV(", single_real_parser(), most_coordinates, face.uv_values, face.has_uv, rule.echo) ||
           list_part(scan, "COL(", unsigned_value_parser(), most, face.colour_values, face.has_colours,
                     rule.echo) ||
           list_part(scan, "N(", single_real_parser(), any_number, normals, has_normals, rule.echo) ||
           skip_foreign_call(scan))
        continue;
    if (has_normals)
        corner_normals(normals, std::size_t(count), face);
    return true;
}

FaceLineRule const plain_face_lines{4, false};
FaceLineRule const extended_face_lines{any_number, true};

namespace {

// One line of the chunk into `line` (its corner count into `count`): by
// the plain rules, or by the extended rules where they are on or the plain
// ones cannot read it whole.
bool read_face_line(Reading const& reading, FaceLine& line, std::int32_t& count)
{
    scanner_t const& scan = reading.scan;
    ExtendedSwitch& extended = reading.extended;
    bool extended_line = extended.known_on();
    std::size_t const echoes = echoes_written();
    return or_again_from_start(
        scan, [&] { return parse_face_line(scan, extended_line ? extended_face_lines : plain_face_lines, count, line); },
        // A line the plain rules cannot read whole (more than four
        // corners, or parts they do not know) is read again by the
        // extended rules; "}" ends the chunk as usual.
        [&](iterator_t line_start, bool matched) {
            bool const more = matched ? foreign_call_at(scan) : *line_start >= '0' && *line_start <= '9';
            return !extended_line && more && extended.on();
        },
        [&] {
            line = FaceLine();
            extended_line = true;
            // What the plain rules echoed of this line is not echoed again.
            FaceLineRule again = extended_face_lines;
            again.echo = echoes_written() == echoes;
            return parse_face_line(scan, again, count, line);
        });
}

}  // namespace

bool parse_face_chunk(Reading const& reading)
{
    using namespace classic;
    scanner_t const& scan = reading.scan;
    DocumentSink& sink = reading.sink;
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
        bool const read = read_face_line(reading, line, count);
        if (!read)
            break;
        if (count < 2 || std::size_t(count) > line.vertex_indices.size())
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
