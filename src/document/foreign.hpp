// What newer documents hold that this reader does not build anything from,
// skipped whole when reading in extended mode: top-level chunks such as
//
//     CodePage 932
//     Thumbnail 128 128 24 rgb raw { ... }
//     IncludeXml "model.mqx"
//     MaterialEx2 1 { material 0 { ... } }
//
// attribute lines an object does not know ("normal_weight 1"), and calls
// "word(...)" in material and face lines. Quoted text is passed over as a
// whole, so that braces and parentheses inside names (Shift_JIS trail bytes
// among them) do not count; a quote that is not closed on its line ends
// with the line.
#ifndef MIVKA_DOCUMENT_FOREIGN_HPP
#define MIVKA_DOCUMENT_FOREIGN_HPP

#include "document/scanner.hpp"
#include "document/sink.hpp"

#include <initializer_list>
#include <string_view>

namespace MQO {

// Whether, after whitespace, a word stands at the scanner that is none of
// `known`. Consumes nothing.
bool foreign_word_at(scanner_t const& scan, std::initializer_list<std::string_view> known);

// Whether, after whitespace, "word(" stands at the scanner. Consumes nothing.
bool foreign_call_at(scanner_t const& scan);

// At a word that is none of `known`: skips it and the rest of its line, and
// when a "{" opens on that line, everything up to the "}" that closes it
// (nested braces counted), or, where it is never closed, up to the next line
// that starts with a top-level chunk's word (Scene, BackImage, Material,
// Object, Eof). False, with nothing consumed but whitespace, when the text
// there is no such word, is "Material", "Object" or "Eof", or opens a "{" that
// the document never closes: reading stops there.
bool skip_foreign_line(scanner_t const& scan, std::initializer_list<std::string_view> known);

// The code page that a "CodePage" line at the scanner names, after
// whitespace ("932", "utf8"): the rest of its line up to the first blank.
// Empty when no such line stands there. Consumes nothing.
std::string_view code_page_at(scanner_t const& scan);

// The file that an "IncludeXml" line at the scanner names, after
// whitespace: the text between its quotes. Empty when no such line stands
// there or its quote is not closed on the line. Consumes nothing.
std::string_view companion_at(scanner_t const& scan);

// A "CodePage" or "IncludeXml" line at the scanner goes to the sink.
// Consumes nothing.
void hand_over_line(scanner_t const& scan, DocumentSink& sink);

// A word, "(", anything up to the ")" that closes it on the same line
// (nested parentheses counted). False, back where it started, when the text is no such call.
bool skip_foreign_call(scanner_t const& scan);

}  // namespace MQO

#endif
