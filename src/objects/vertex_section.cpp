#include "objects/vertex_section.hpp"

#include "document/foreign.hpp"
#include "document/progress_parser.hpp"
#include "document/values.hpp"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace MQO {

namespace {

// Four bytes, a little-endian IEEE single, with no whitespace skipping; a
// value that is not finite does not match.
struct binary_float_reader
{
    typedef float result_t;

    template <typename ScannerT>
    std::ptrdiff_t operator()(ScannerT const& scan, float& value) const
    {
        iterator_t const start = scan.first;
        if (scan.last - start < 4)
            return -1;
        unsigned char const* const b = reinterpret_cast<unsigned char const*>(start);
        std::uint32_t const bits = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
                                   std::uint32_t(b[3]) << 24;
        float read = 0.0f;
        std::memcpy(&read, &bits, sizeof read);
        // Infinities and NaNs are no positions, as a number written beyond
        // the range is none in text.
        if (!std::isfinite(read))
            return -1;
        value = read;
        scan.first = start + 4;
        return 4;
    }
};

typedef classic::functor_parser<binary_float_reader> binary_float_parser;
typedef vector_parser<float, 3, binary_float_parser> binary_vertex_parser;

// The binary data is read byte for byte, without whitespace skipping.
typedef classic::scanner_policies<classic::no_skipper_iteration_policy<mqo_skip_policy> > raw_policies_t;
typedef classic::scanner<iterator_t, raw_policies_t> raw_scanner_t;

void append(DocumentSink& sink, bounded_list<float, 3> const& position)
{
    // A coordinate that the line did not give is 0.
    sink.vertex(position[0], position.count > 1 ? position[1] : 0.0f, position.count > 2 ? position[2] : 0.0f);
}

// Reads `count` vertices one after the other; false at the first that
// cannot be read.
template <typename VertexParserT, typename ScannerT>
bool append_vertices(VertexParserT const& vertex, ScannerT const& scan, std::uint32_t count, DocumentSink& sink)
{
    for (std::uint32_t i = 0; i < count; ++i) {
        auto const hit = vertex.parse(scan);
        if (!hit)
            return false;
        append(sink, hit.value());
    }
    return true;
}

// Optionally a keyword, "{", anything up to the first "}", "}": content
// ignored. When it does not match, the scanner stays where it was.
void optional_sub_chunk(scanner_t const& scan, const char* keyword)
{
    using namespace classic;
    (!(str_p(keyword) >> ch_p('{') >> *(anychar_p - '}') >> ch_p('}'))).parse(scan);
}

// "KEYWORD {", anything up to the first "}", "}": the text between the
// braces is [content, close). When it does not match, the scanner stays
// where it was.
bool sub_chunk(scanner_t const& scan, const char* keyword, iterator_t& content, iterator_t& close)
{
    using namespace classic;
    bool const matched = restore_on_failure(scan, [&] {
        if (!(str_p(keyword) >> ch_p('{')).parse(scan))
            return false;
        content = scan.first;
        return bool((*(anychar_p - '}') >> ch_p('}')).parse(scan));
    });
    close = scan.first - 1;
    return matched;
}

// "weit {", lines of a vertex number and its weight, "}". The sub-chunk is
// matched as any other (anything up to the first "}"); when it holds
// something and extended reading is on, the weights are read out of it, up
// to the first line that is no number and weight.
bool weight_sub_chunk(Reading const& reading)
{
    iterator_t content = nullptr;
    iterator_t close = nullptr;
    if (!sub_chunk(reading.scan, "weit", content, close))
        return false;
    if (skip_space(content, close) == close || !reading.extended.on())
        return true;
    scanner_t const weights(content, close);
    for (;;) {
        auto const vertex = unsigned_value_parser().parse(weights);
        if (!vertex)
            break;
        auto const weight = real_value_parser().parse(weights);
        if (!weight)
            break;
        reading.sink.vertex_weight(vertex.value(), weight.value());
    }
    return true;
}

// "uid {", the vertices' own numbers in vertex order, "}" (extended
// reading): read up to the first text that is no number.
bool uid_sub_chunk(Reading const& reading)
{
    iterator_t content = nullptr;
    iterator_t close = nullptr;
    if (!sub_chunk(reading.scan, "uid", content, close))
        return false;
    scanner_t const uids(content, close);
    while (auto const uid = unsigned_value_parser().parse(uids))
        reading.sink.vertex_uid(uid.value());
    return true;
}

// The end of a chunk that may carry vertex weights and colours: only the
// weight sub-chunk, then the colour sub-chunk, both optional, then "}". With
// extended reading on, any sub-chunks ("uid", "weit", "color", ...), in any
// order.
bool close_after_sub_chunks(Reading const& reading)
{
    scanner_t const& scan = reading.scan;
    if (!reading.extended.known_on()) {
        weight_sub_chunk(reading);
        optional_sub_chunk(scan, "color");
        if (classic::ch_p('}').parse(scan))
            return true;
        if (!foreign_word_at(scan, {}) || !reading.extended.on())
            return false;
    }
    while (weight_sub_chunk(reading) || uid_sub_chunk(reading) || skip_foreign_line(scan, {}))
        continue;
    return classic::ch_p('}').parse(scan);
}

bool parse_vertex_chunk(scanner_t const& scan, DocumentSink& sink)
{
    using namespace classic;
    if (!str_p("vertex").parse(scan))
        return false;
    auto const count = unsigned_value_parser().parse(scan);
    if (!count || !ch_p('{').parse(scan))
        return false;
    return append_vertices(vertex_line_parser(), scan, count.value(), sink) && ch_p('}').parse(scan);
}

bool parse_vertexattr_chunk(Reading const& reading)
{
    using namespace classic;
    return (str_p("vertexattr") >> ch_p('{')).parse(reading.scan) && close_after_sub_chunks(reading);
}

// The line break that ends the "Vector n [bytes]" line, with any blanks in
// front of it. The binary data starts right after it: bytes that look like
// whitespace there are data.
void skip_line_end(scanner_t const& scan)
{
    iterator_t p = scan.first;
    while (p != scan.last && (*p == ' ' || *p == '\t'))
        ++p;
    if (p != scan.last && *p == '\r')
        ++p;
    if (p != scan.last && *p == '\n')
        ++p;
    if (p != scan.first && (p[-1] == '\n' || p[-1] == '\r'))
        scan.first = p;
}

bool parse_bvertex_chunk(Reading const& reading)
{
    using namespace classic;
    scanner_t const& scan = reading.scan;
    if (!str_p("BVertex").parse(scan))
        return false;
    auto const count = unsigned_value_parser().parse(scan);
    if (!count || !(ch_p('{') >> str_p("Vector") >> signed_integer_parser() >> ch_p('[') >> signed_integer_parser() >>
                    ch_p(']')).parse(scan))
        return false;
    skip_line_end(scan);
    raw_scanner_t const raw(scan.first, scan.last);
    return append_vertices(binary_vertex_parser(), raw, count.value(), reading.sink) && close_after_sub_chunks(reading);
}

}  // namespace

void parse_vertex_section(Reading const& reading)
{
    scanner_t const& scan = reading.scan;
    reading.sink.begin_vertices();
    reading.sink.progress(progress_parser(reading.progress).parse(scan).value());

    if (restore_on_failure(scan, [&] { return parse_vertex_chunk(scan, reading.sink); }))
        restore_on_failure(scan, [&] { return parse_vertexattr_chunk(reading); });
    restore_on_failure(scan, [&] { return parse_bvertex_chunk(reading); });
}

}  // namespace MQO
