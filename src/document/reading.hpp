// What every reader of the document works with: the scanner over its text,
// the sink that receives what is read, whether extended reading is on, and
// how far the reading has come. The readers alone decide what extended
// reading takes; the sink receives only what the reading took.
#ifndef MIVKA_DOCUMENT_READING_HPP
#define MIVKA_DOCUMENT_READING_HPP

#include "document/extended_switch.hpp"
#include "document/progress.hpp"
#include "document/scanner.hpp"
#include "document/sink.hpp"

namespace MQO {

struct Reading
{
    Reading(scanner_t const& text, DocumentSink& receiver, ExtendedSwitch& extended_switch)
        : scan(text), sink(receiver), extended(extended_switch)
    {
    }

    scanner_t const& scan;
    DocumentSink& sink;
    ExtendedSwitch& extended;
    // State of this reading alone, which the readers advance.
    mutable Progress progress;
};

// Top-level chunks of newer documents in front of a Material or Object
// chunk or "Eof" (MaterialEx2, IncludeXml, ...), skipped whole when
// extended reading is on; a "CodePage" line among them goes to the sink.
void skip_foreign_chunks(Reading const& reading);

}  // namespace MQO

#endif
