// The object stage: Object chunks, one after the other, into the sink.
#ifndef MIVKA_ASSEMBLY_OBJECT_STAGE_HPP
#define MIVKA_ASSEMBLY_OBJECT_STAGE_HPP

#include "document/reading.hpp"

namespace MQO {

// Reads the Object chunks at the scanner (head, attributes, vertices,
// faces), then places the objects that have a depth in the hierarchy.
// Returns whether it matched.
// With extended reading on, chunks and attribute lines this reader does not
// know are skipped, faces may have more than four corners.
bool object_stage(Reading const& reading);

}  // namespace MQO

#endif
