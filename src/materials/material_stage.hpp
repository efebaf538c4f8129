// The material stage: the Material chunk into host materials.
#ifndef MIVKA_MATERIALS_MATERIAL_STAGE_HPP
#define MIVKA_MATERIALS_MATERIAL_STAGE_HPP

#include "document/scanner.hpp"
#include "host/host.hpp"
#include "materials/material_parser.hpp"

namespace MQO {

// Reads the Material chunk at the scanner: one host material per document
// material, created with its name and given its attributes as they are
// read, appended to `materials` in document order. Returns whether the
// chunk matched; the scanner is left where the stage stopped.
bool convert_materials(MaterialParser const& parser, scanner_t const& scan, HostObject const& materials);

}  // namespace MQO

#endif
