// The object stage: Object chunks into host mesh objects.
#ifndef MIVKA_ASSEMBLY_OBJECT_STAGE_HPP
#define MIVKA_ASSEMBLY_OBJECT_STAGE_HPP

#include "document/scanner.hpp"
#include "objects/object_context.hpp"

namespace MQO {

// Converts the Object chunks at the scanner, one host object and mesh each,
// then builds the hierarchy from their depths. Returns whether it matched.
bool object_stage(ObjectStageContext const& context, scanner_t const& scan);

}  // namespace MQO

#endif
