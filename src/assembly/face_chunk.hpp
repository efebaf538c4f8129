// The face chunk of an Object chunk: faces and edges of the mesh.
//
//     face count {
//         n V(corners) M(material) UV(u v ...) COL(colours ...)
//         ...
//     }
#ifndef MIVKA_ASSEMBLY_FACE_CHUNK_HPP
#define MIVKA_ASSEMBLY_FACE_CHUNK_HPP

#include "document/reading.hpp"

#include <cstddef>
#include <cstdint>

namespace MQO {

struct FaceLine;

// How a face line is read. The plain rules: at most four corners, and the
// optional parts "M(", "UV(" and "COL(" in this order, each list as long as
// four corners give at most. Extended reading: any number of corners, the
// parts in any order, "N(" (the corners' own normals) among them, and parts
// this reader does not know ("UID(...)", "CRS(...)") skipped.
struct FaceLineRule
{
    std::size_t most_corners;
    bool any_order;
    // Whether a list that finds no number echoes its text (not when the
    // line is read again after the echo was written).
    bool echo = true;
};
extern FaceLineRule const plain_face_lines;
extern FaceLineRule const extended_face_lines;

// One face line: the count, "V(" corners ")", then the parts the rule
// allows. Fills `count` and `face`.
bool parse_face_line(scanner_t const& scan, FaceLineRule rule, std::int32_t& count, FaceLine& face);

// Reads "face", the count, "{", the face lines and "}". Lines of three or
// more corners go to the sink as faces, lines of two corners as edges; a
// line that counts more corners than it lists, or fewer than two, gives
// nothing. Returns whether the scanner moved past the head. The plain rules
// read each line; where they cannot read one whole and extended reading is
// on, the extended rules read it again (and every line after, once the
// document is known to be read extended).
bool parse_face_chunk(Reading const& reading);

}  // namespace MQO

#endif
