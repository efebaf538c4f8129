// The Object chunk's head and attribute lines.
//
//     Object "name" {
//         keyword value...
//         ...
#ifndef MIVKA_OBJECTS_OBJECT_PARSER_HPP
#define MIVKA_OBJECTS_OBJECT_PARSER_HPP

#include "document/reading.hpp"
#include "document/values.hpp"
#include "objects/object_context.hpp"

#include <string_view>

namespace MQO {

// "Object", the quoted name, "{". Yields the name (a view of the document).
bool parse_object_head(scanner_t const& scan, std::string_view& name);

// Reads attribute lines (keyword and value) and hands each to the sink at
// once. A "depth" line enters object number `object` in the depth list, with
// what its scale lines say. Stops in front of the first line that is not a
// complete attribute; always matches.
// With extended reading on, attribute lines this reader does not know are
// skipped to the end of their line (and a block that opens there) instead
// of ending the attributes, and the lines of how Metasequoia shows the
// object (shading, visible, mirror, patch, lathe and their settings) take
// effect; the plain rules read them and hand them over to no one.
void parse_object_attributes(Reading const& reading, std::size_t object, DepthList& depths);

// The scale an object's attribute lines gave so far, axis by axis.
struct ObjectScale
{
    double factor[3] = {1.0, 1.0, 1.0};

    // Whether some axis is zero, tiny, huge or not a number: a placement
    // that cannot be inverted in the host's single precision.
    bool degenerate() const;
};

}  // namespace MQO

#endif
