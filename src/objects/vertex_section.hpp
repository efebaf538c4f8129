// An object's vertices: the text vertex chunk (with its vertexattr chunk)
// and the binary BVertex chunk, handed to the sink as they are read.
//
//     vertex count {  x y z  ...  }
//     vertexattr {  weit { ... }  color { ... }  }
//     BVertex count {  Vector n [bytes]  (binary)  weit { ... }  color { ... }  }
#ifndef MIVKA_OBJECTS_VERTEX_SECTION_HPP
#define MIVKA_OBJECTS_VERTEX_SECTION_HPP

#include "document/reading.hpp"
#include "document/values.hpp"

namespace MQO {

// A text vertex line: up to three single reals.
typedef vector_parser<float, 3, single_real_parser> vertex_line_parser;

// Reports progress, then reads the optional vertex chunk (with an optional
// vertexattr chunk) and the optional BVertex chunk. Always matches.
// With extended reading on, the vertexattr and BVertex chunks may hold any
// sub-chunks.
void parse_vertex_section(Reading const& reading);

}  // namespace MQO

#endif
