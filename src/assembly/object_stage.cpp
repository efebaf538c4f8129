#include "assembly/object_stage.hpp"

namespace MQO {

bool object_stage(ObjectStageContext const&, scanner_t const&)
{
    // Object chunks are not read yet.
    return false;
}

}  // namespace MQO
