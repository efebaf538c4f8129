// The parent-child links between the objects of a document.
#ifndef MIVKA_ASSEMBLY_HIERARCHY_HPP
#define MIVKA_ASSEMBLY_HIERARCHY_HPP

#include "objects/object_context.hpp"

namespace MQO {

// In document order: moves each entry's mesh data into its object's frame
// (by the inverse of the object's matrix), then makes the object a child of
// the nearest earlier entry of smaller depth.
void build_hierarchy(DepthList const& depths);

}  // namespace MQO

#endif
