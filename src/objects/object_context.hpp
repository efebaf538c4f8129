// What the object stage hands the grammars of an Object chunk.
#ifndef MIVKA_OBJECTS_OBJECT_CONTEXT_HPP
#define MIVKA_OBJECTS_OBJECT_CONTEXT_HPP

#include "host/host.hpp"

#include <cstdint>
#include <vector>

namespace MQO {

struct ObjectStageContext
{
    HostObject materials;  // host list of the document's materials, in order
    double scale = 1.0;    // applied to vertex positions and translations
};

// One "depth" attribute: the depth (the unsigned text stored bit for bit,
// so 2147483648 and up read as negative) and the object it belongs to.
struct DepthEntry
{
    std::int32_t depth;
    HostObject object;
    // The object's scale leaves no invertible placement that single
    // precision can hold (zero, tiny, huge or not a number on some axis).
    bool degenerate_scale = false;
};

typedef std::vector<DepthEntry> DepthList;

}  // namespace MQO

#endif
