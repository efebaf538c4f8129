// A whole document, front to back, into a sink.
//
//     Metasequoia Document
//     Format Text Ver 1.0
//     Scene { ... }  BackImage { ... }
//     Material count { ... }
//     Object "name" { ... }  ...
//     Eof
#ifndef MIVKA_ASSEMBLY_DOCUMENT_READER_HPP
#define MIVKA_ASSEMBLY_DOCUMENT_READER_HPP

#include "document/scanner.hpp"
#include "document/sink.hpp"

namespace MQO {

// Reads the header, the Material chunk (a document without materials may
// have none) and the Object chunks, leaving the scanner where reading
// stopped. False when the header does not match: nothing else is read.
bool read_document(scanner_t const& scan, DocumentSink& sink);

}  // namespace MQO

#endif
