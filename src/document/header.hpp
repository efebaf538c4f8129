// The document header: the two header lines, the Scene chunk and an optional
// BackImage chunk.
#ifndef MIVKA_DOCUMENT_HEADER_HPP
#define MIVKA_DOCUMENT_HEADER_HPP

#include "document/scanner.hpp"

#include <functional>

namespace MQO {

// Skips the Scene chunk, brace pairs inside it included; also matches when
// the text is no Scene chunk at all, as long as the attempt moved the
// position (whitespace, or leading bytes that agreed with "Scene").
struct SceneParser : classic::parser<SceneParser>
{
    typedef SceneParser self_t;

    template <typename ScannerT>
    struct result
    {
        typedef typename classic::match_result<ScannerT, classic::nil_t>::type type;
    };

    classic::match<classic::nil_t> parse(scanner_t const& scan) const;
};

// Runs the header rule on the scanner. `report` receives the fraction of the
// first progress report of the document (always 0) before the header lines
// are tested. On a match the scanner stands after the BackImage chunk, if
// there is one, otherwise where the Scene chunk ended.
bool match_header(scanner_t const& scan, std::function<void(double)> const& report);

}  // namespace MQO

#endif
