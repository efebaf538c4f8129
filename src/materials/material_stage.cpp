#include "materials/material_stage.hpp"

namespace MQO {

bool convert_materials(MaterialParser const&, scanner_t const&, HostObject const&)
{
    // Materials are not read yet: no Material chunk is recognised, which
    // ends a conversion after its header.
    return false;
}

}  // namespace MQO
