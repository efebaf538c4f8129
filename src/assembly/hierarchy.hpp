// The parent-child links between the objects of a document.
#ifndef MIVKA_ASSEMBLY_HIERARCHY_HPP
#define MIVKA_ASSEMBLY_HIERARCHY_HPP

#include "document/sink.hpp"
#include "objects/object_context.hpp"

namespace MQO {

// In document order, places each entry's object: as a child of the nearest
// earlier entry of smaller depth, or of none when its depth is 0 or no such
// entry comes before it.
void build_hierarchy(DepthList const& depths, DocumentSink& sink);

}  // namespace MQO

#endif
