// What the object stage keeps while it reads Object chunks.
#ifndef MIVKA_OBJECTS_OBJECT_CONTEXT_HPP
#define MIVKA_OBJECTS_OBJECT_CONTEXT_HPP

#include <cstddef>
#include <cstdint>
#include <vector>

namespace MQO {

// One object with a "depth" attribute: the object (counted from 0 in
// document order), its depth (the unsigned text stored bit for bit, so
// 2147483648 and up read as negative; a later depth line of the same object
// replaces it), and whether its scale leaves no invertible placement that
// single precision can hold (zero, tiny, huge or not a number on some axis).
struct DepthEntry
{
    std::size_t object;
    std::int32_t depth;
    bool degenerate_scale = false;
};

typedef std::vector<DepthEntry> DepthList;

// The entry of object number `object`, or null when it has none. Entries are
// made in document order, so an object's entry, if any, is the last one
// while its chunk is read.
inline DepthEntry* entry_of(DepthList& depths, std::size_t object)
{
    return !depths.empty() && depths.back().object == object ? &depths.back() : nullptr;
}

}  // namespace MQO

#endif
