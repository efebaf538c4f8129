// The object stage: Object chunks into host mesh objects.
#ifndef MIVKA_ASSEMBLY_OBJECT_STAGE_HPP
#define MIVKA_ASSEMBLY_OBJECT_STAGE_HPP

#include "document/scanner.hpp"
#include "host/host.hpp"

namespace MQO {

// What the driver hands the object stage.
struct ObjectStageContext
{
    HostObject materials;  // host list of the document's materials, in order
    double scale = 1.0;    // applied to vertex positions and translations
};

// Converts the Object chunks at the scanner. Returns whether it matched.
bool object_stage(ObjectStageContext const& context, scanner_t const& scan);

}  // namespace MQO

#endif
