#include "document/header.hpp"

#include "document/progress_parser.hpp"

namespace MQO {

namespace {

// The Scene body after its "{": everything up to the "}" that closes it,
// each "{" opening one more level. Without that brace it runs to the end of
// the document, and the closing brace is then not found.
struct scene_body_parser : classic::parser<scene_body_parser>
{
    typedef scene_body_parser self_t;

    template <typename ScannerT>
    classic::match<classic::nil_t> parse(ScannerT const& scan) const
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
        return scan.create_match(std::size_t(p - start), classic::nil_t(), start, p);
    }
};

}  // namespace

classic::match<classic::nil_t> SceneParser::parse(scanner_t const& scan) const
{
    using namespace classic;
    iterator_t const start = scan.first;
    (str_p("Scene") >> ch_p('{') >> scene_body_parser() >> ch_p('}')).parse(scan);
    std::size_t const moved = std::size_t(scan.first - start);
    if (moved == 0)
        return scan.no_match();
    return scan.create_match(moved, nil_t(), start, scan.first);
}

bool match_header(scanner_t const& scan, std::function<void(double)> const& report)
{
    using namespace classic;
    auto const progress_report = progress_parser()[([&report](double fraction) { report(fraction); })];
    auto const back_image = str_p("BackImage") >> *(anychar_p - '}') >> ch_p('}');
    auto const header = progress_report
        >> str_p("Metasequoia Document")
        >> str_p("Format Text Ver 1.0")
        >> SceneParser()
        >> !back_image;
    return header.parse(scan);
}

}  // namespace MQO
