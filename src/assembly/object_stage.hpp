// The object stage: Object chunks, one after the other, into the sink.
#ifndef MIVKA_ASSEMBLY_OBJECT_STAGE_HPP
#define MIVKA_ASSEMBLY_OBJECT_STAGE_HPP

#include "document/scanner.hpp"
#include "document/foreign.hpp"
#include "document/sink.hpp"

namespace MQO {

// Reads the Object chunks at the scanner (head, attributes, vertices,
// faces), then places the objects that have a depth in the hierarchy.
// Returns whether it matched.
// With extended reading on, chunks and attribute lines this reader does not
// know are skipped, faces may have more than four corners.
bool object_stage(scanner_t const& scan, DocumentSink& sink, ExtendedSwitch& extended);

}  // namespace MQO

#endif
