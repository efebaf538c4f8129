// The face chunk of an Object chunk: faces and edges of the mesh.
#ifndef MIVKA_ASSEMBLY_FACE_CHUNK_HPP
#define MIVKA_ASSEMBLY_FACE_CHUNK_HPP

#include "document/scanner.hpp"
#include "objects/object_context.hpp"

#include <cstdint>

namespace MQO {

struct Face;

// One face line: the count, "V(" corners ")", then the optional "M(", "UV("
// and "COL(" parts in this order. Fills `count` and `face`.
bool parse_face_line(scanner_t const& scan, std::int32_t& count, Face& face);

// Reads "face", the count, "{", the face lines and "}". Lines of three or
// four corners become host faces (corners reversed, material, texture
// coordinates with v flipped, colours), lines of two corners edges. Returns
// whether the scanner moved past the head.
bool parse_face_chunk(ObjectStageContext const& context, scanner_t const& scan, HostObject const& mesh);

}  // namespace MQO

#endif
