// The Object chunk's head and attribute lines.
#ifndef MIVKA_OBJECTS_OBJECT_PARSER_HPP
#define MIVKA_OBJECTS_OBJECT_PARSER_HPP

#include "document/scanner.hpp"
#include "document/values.hpp"
#include "objects/object_context.hpp"

#include <string_view>

namespace MQO {

// The kind numbers of the object attributes: unsigned values 0 to 12, real
// values 13 and 14, real triples 15 to 18.
enum AttributeKind : std::int32_t
{
    depth_kind = 0,
    scale_kind = 16,
    rotation_kind = 17,
    translation_kind = 18,
};

// "Object", the quoted name, "{". Yields the name (a view of the document).
bool parse_object_head(scanner_t const& scan, std::string_view& name);

// Reads attribute lines (keyword and value) and applies each at once. Stops
// in front of the first line that is not a complete attribute; always
// matches.
void parse_object_attributes(scanner_t const& scan, ObjectStageContext const& context, HostObject const& mesh,
                             HostObject const& object, DepthList& depths);

// The scale an object's attribute lines gave so far, axis by axis.
struct ObjectScale
{
    double factor[3] = {1.0, 1.0, 1.0};

    // Whether some axis is zero, tiny, huge or not a number: a placement
    // that cannot be inverted in the host's single precision.
    bool degenerate() const;
};

// The effect of one attribute line: a depth entry (a later depth line of the
// same object replaces its entry), or a placement step.
void apply_object_attribute(HostObject const& mesh, HostObject const& object, DepthList& depths,
                            ObjectScale& scale, std::int32_t kind, attribute_value const& value);

}  // namespace MQO

#endif
