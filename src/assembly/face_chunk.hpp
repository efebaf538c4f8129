// The face chunk of an Object chunk: faces and edges of the mesh.
//
//     face count {
//         n V(corners) M(material) UV(u v ...) COL(colours ...)
//         ...
//     }
#ifndef MIVKA_ASSEMBLY_FACE_CHUNK_HPP
#define MIVKA_ASSEMBLY_FACE_CHUNK_HPP

#include "document/foreign.hpp"
#include "document/scanner.hpp"
#include "document/sink.hpp"

#include <cstdint>

namespace MQO {

struct FaceLine;

// One face line: the count, "V(" corners ")", then the optional "M(", "UV("
// and "COL(" parts in this order. Fills `count` and `face`.
bool parse_face_line(scanner_t const& scan, std::int32_t& count, FaceLine& face);

// Reads "face", the count, "{", the face lines and "}". Lines of three or
// four corners go to the sink as faces, lines of two corners as edges; a
// line that counts more corners than it lists, or fewer than two or more
// than four, gives nothing. Returns whether the scanner moved past the head.
// With extended reading on, lines may have any number of corners, their
// parts come in any order, "N(" gives the corners' normals, and parts this
// reader does not know are skipped.
bool parse_face_chunk(scanner_t const& scan, DocumentSink& sink, ExtendedSwitch& extended);

}  // namespace MQO

#endif
