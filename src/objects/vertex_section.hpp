// An object's vertices: the text vertex chunk (with its vertexattr chunk)
// and the binary BVertex chunk, appended to the host mesh as they are read.
#ifndef MIVKA_OBJECTS_VERTEX_SECTION_HPP
#define MIVKA_OBJECTS_VERTEX_SECTION_HPP

#include "document/scanner.hpp"
#include "document/values.hpp"
#include "objects/object_context.hpp"

namespace MQO {

// A text vertex line: up to three single reals.
typedef vector_parser<float, 3, single_real_parser> vertex_line_parser;

// Turns document positions into host vertices: axes (x, y, z) become
// (x, -z, y), times the scale factor, and each vertex goes to the end of the
// mesh's vertex list.
class VertexAppender
{
public:
    VertexAppender(double scale, HostObject const& mesh);
    void operator()(float x, float y, float z) const;

private:
    double scale_;
    HostObject vert_;  // the host's vertex constructor
    HostObject mesh_;
};

// Reports progress, then reads the optional vertex chunk (with an optional
// vertexattr chunk) and the optional BVertex chunk. Always matches.
void parse_vertex_section(scanner_t const& scan, ObjectStageContext const& context, HostObject const& mesh);

}  // namespace MQO

#endif
