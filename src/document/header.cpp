#include "document/header.hpp"

#include "document/foreign.hpp"
#include "document/console.hpp"
#include "document/progress_parser.hpp"

#include <boost/spirit/include/classic_assign_actor.hpp>
#include <boost/spirit/include/classic_numerics.hpp>

#include <ostream>

namespace MQO {

namespace {

// The Scene body after its "{": everything up to the "}" that closes it,
// each "{" opening one more level. Without that brace it runs to the end of
// the document, and the closing brace is then not found.
struct scene_body_reader
{
    typedef classic::nil_t result_t;

    template <typename ScannerT>
    std::ptrdiff_t operator()(ScannerT const& scan, result_t&) const
    {
        iterator_t const start = scan.first;
        iterator_t p = start;
        std::size_t depth = 0;
        for (; p != scan.last; ++p) {
            if (*p == '{') {
                ++depth;
            } else if (*p == '}') {
                if (depth == 0)
                    break;
                --depth;
            }
        }
        scan.first = p;
        return p - start;
    }
};

typedef classic::functor_parser<scene_body_reader> scene_body_parser;

}  // namespace

std::ptrdiff_t scene_reader::operator()(scanner_t const& scan, result_t&) const
{
    using namespace classic;
    iterator_t const start = scan.first;
    (str_p("Scene") >> ch_p('{') >> scene_body_parser() >> ch_p('}')).parse(scan);
    std::ptrdiff_t const moved = scan.first - start;
    return moved == 0 ? -1 : moved;
}

bool match_header(Reading const& reading)
{
    using namespace classic;
    scanner_t const& scan = reading.scan;
    DocumentSink& sink = reading.sink;
    auto const progress_report = progress_parser(reading.progress)[([&sink](double fraction) { sink.progress(fraction); })];
    auto const back_image = str_p("BackImage") >> *(anychar_p - '}') >> ch_p('}');
    if (!(progress_report >> str_p("Metasequoia Document")).parse(scan))
        return false;
    if (!restore_on_failure(scan, [&] { return bool(str_p("Format Text Ver 1.0").parse(scan)); })) {
        // Newer documents: "Ver 1.1" and "Ver 1.2", then chunks such as
        // CodePage and Thumbnail in front of the Scene chunk. A later 1.x
        // is read as far as these rules reach, and said so.
        unsigned minor = 0;
        auto const newer = str_p("Format Text Ver 1.") >> uint_p[assign_a(minor)];
        bool const read = restore_on_failure(scan, [&] {
            // The number ends the line's word: "1.1x" is no version.
            return newer.parse(scan) && (scan.first == scan.last || is_mqo_space(*scan.first));
        });
        if (!read || minor == 0 || !reading.extended.on())
            return false;
        if (minor > 2)
            console() << "Format Text Ver 1." << minor << " is newer than this reader knows: read as 1.2\n";
        for (;;) {
            hand_over_line(scan, sink);
            if (!skip_foreign_line(scan, {"Scene", "BackImage", "Material", "Object", "Eof"}))
                break;
        }
        // A document with nothing in it may have no Scene chunk either.
        return (!SceneParser() >> !back_image).parse(scan);
    }
    return (SceneParser() >> !back_image).parse(scan);
}

}  // namespace MQO
