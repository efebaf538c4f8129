// The companion of a newer document (the .mqx that its "IncludeXml" line
// names): an XML document with one element per plug-in. Two of them are
// read: the bones with their skin weights,
//
//     <Plugin.56A31D20.71F282AB name="Bone">
//       <BoneSet>
//         <Bone id="1" name="arm" rtX=".." rtY=".." rtZ=".." tpX=".." tpY=".." tpZ=".." isHide="0" ...>
//           <P id="0" />  <C id="2" />  <W oi="1" vi="7" w="100" />
//
// or, as newer versions write them, each bone with its position and its
// parent as attributes and its weights by object:
//
//       <BoneSet2 limit="4">
//         <Bone id="1" name="arm" parent="0" pos="x,y,z" hide="0" ...>
//           <W obj="1">  <V v="7" w="100" />
//
// and the morphs, each a base object and the objects that are its shapes:
//
//     <Plugin.56A31D20.C452C6DB name="Morph">
//       <MorphSet>
//         <TargetList base="face">  <Target name="smile" param="0" type="0" />
//
// Everything else is passed over. The text is read with expat, with the
// same caution as the document: a bound on its size, its nesting and its
// counts, and no document type at all (so no entities to expand and nothing
// outside the file to load).
#ifndef MIVKA_DOCUMENT_COMPANION_HPP
#define MIVKA_DOCUMENT_COMPANION_HPP

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace MQO {

// A vertex that a bone moves: the object's and the vertex's own numbers
// (their uids in the document) and the weight in percent, 0 to 100.
struct BoneWeight
{
    std::uint32_t object;
    std::uint32_t vertex;
    float weight;
};

struct CompanionBone
{
    std::uint32_t id = 0;
    std::string name;                // UTF-8
    std::array<double, 3> root{};    // the head, in the document's axes
    std::array<double, 3> tip{};     // the tail, where has_tip
    bool has_tip = false;            // the older set's tip, other than (0, 0, 0)
    bool joint = false;              // of the newer set: a joint's position, with no tip
    std::uint32_t parent = 0;        // the parent bone's id; 0 for none
    bool hidden = false;
    std::vector<BoneWeight> weights;
};

struct MorphList
{
    std::string base;                  // the base object's name, UTF-8
    std::vector<std::string> targets;  // the names of the objects that are its shapes
};

struct Companion
{
    std::vector<CompanionBone> bones;
    std::vector<MorphList> morphs;
};

// What a companion may hold at most. Real characters have hundreds of bones
// and some hundred thousand weights.
struct CompanionLimits
{
    static constexpr std::size_t bytes = std::size_t(64) << 20;
    static constexpr std::size_t depth = 32;
    static constexpr std::size_t bones = 1u << 16;
    static constexpr std::size_t weights = std::size_t(1) << 23;
    static constexpr std::size_t targets = 1u << 16;
    static constexpr std::size_t name_bytes = 1024;
};

// The longest start of UTF-8 `text` of at most `bytes` bytes that ends on
// a character's boundary.
std::string_view utf8_prefix(std::string_view text, std::size_t bytes);

// Reads a companion's text. False, with `why` saying what was wrong and
// `companion` left empty, when the text is beyond the size bound, is not
// well-formed XML, declares a document type, nests deeper or holds more
// than the limits allow, or its root is no Metasequoia document.
bool read_companion(const char* begin, const char* end, Companion& companion, std::string& why);

// Each bone's parent as a position in the list (-1 for none): a parent id
// that names no bone, or names the bone itself or one of its descendants,
// leaves the bone without a parent. With the first bone that has a given
// id taken for it.
std::vector<std::ptrdiff_t> bone_parents(std::vector<CompanionBone> const& bones);

}  // namespace MQO

#endif
