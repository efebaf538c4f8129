// The document header: the two header lines, the Scene chunk and an optional
// BackImage chunk.
#ifndef MIVKA_DOCUMENT_HEADER_HPP
#define MIVKA_DOCUMENT_HEADER_HPP

#include "document/reading.hpp"

#include <boost/spirit/include/classic_functor_parser.hpp>


namespace MQO {

// Skips the Scene chunk, brace pairs inside it included; also matches when
// the text is no Scene chunk at all, as long as the attempt moved the
// position (whitespace, or leading bytes that agreed with "Scene").
struct scene_reader
{
    typedef classic::nil_t result_t;

    std::ptrdiff_t operator()(scanner_t const& scan, result_t&) const;
};

typedef classic::functor_parser<scene_reader> SceneParser;

// Runs the header rule on the scanner. The sink receives the first progress
// report of the document (always 0) before the header lines are tested. On
// a match the scanner stands after the BackImage chunk, if there is one,
// otherwise where the Scene chunk ended. Extended reading also accepts
// "Format Text Ver 1.1" and later 1.x, and chunks this reader does not know
// in front of the Scene chunk; a "CodePage" line among them goes to the
// sink.
bool match_header(Reading const& reading);

}  // namespace MQO

#endif
