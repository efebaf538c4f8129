// The material stage: the Material chunk, material by material, into the sink.
#ifndef MIVKA_MATERIALS_MATERIAL_STAGE_HPP
#define MIVKA_MATERIALS_MATERIAL_STAGE_HPP

#include "document/reading.hpp"
#include "materials/material_parser.hpp"

namespace MQO {

// Reads the Material chunk at the scanner: each material's name, then its
// attributes as they are read, then its end, in document order. Returns
// whether the chunk matched; the scanner is left where the stage stopped.
bool convert_materials(MaterialParser const& parser, Reading const& reading);

}  // namespace MQO

#endif
