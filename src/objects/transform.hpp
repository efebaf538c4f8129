// The placement of an object: scale, rotation and translation lines, each
// multiplied onto the right of the object's matrix as it is read.
#ifndef MIVKA_OBJECTS_TRANSFORM_HPP
#define MIVKA_OBJECTS_TRANSFORM_HPP

#include "host/host.hpp"

#include <cstdint>

namespace MQO {

// The factor for translations of the objects that follow.
void set_translation_scale(double scale);

// One placement step for `kind` (16 scale, 17 rotation, 18 translation)
// with the three components in document order.
void apply_object_transform(HostObject const& object, std::int32_t kind, double c1, double c2, double c3);

}  // namespace MQO

#endif
