#include "document/companion.hpp"

#include "document/numbers.hpp"

#include <expat.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_map>

namespace MQO {

namespace {

constexpr std::string_view bone_plugin = "Plugin.56A31D20.71F282AB";
constexpr std::string_view morph_plugin = "Plugin.56A31D20.C452C6DB";

// Where an element stands: the elements read are known by their place
// among their ancestors; everything under an unknown element is passed over.
enum class Place
{
    other,
    root,
    bones_plugin,
    bone_set,
    bone,
    bone_set2,  // the newer set
    bone2,
    weights2,   // one object's weights of a bone of the newer set
    morphs_plugin,
    morph_set,
    target_list,
};

// An attribute's value, or null.
const char* attribute(const XML_Char** attributes, std::string_view name)
{
    for (const XML_Char** a = attributes; a[0] != nullptr; a += 2)
        if (name == a[0])
            return a[1];
    return nullptr;
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' || s.front() == '\n'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// A whole number that fits 32 bits, the attribute's whole text; `fallback`
// when it is missing or no such number.
std::uint32_t whole_attribute(const XML_Char** attributes, std::string_view name, std::uint32_t fallback = 0)
{
    const char* const text = attribute(attributes, name);
    if (text == nullptr)
        return fallback;
    std::string_view const s = trimmed(text);
    std::uint32_t value = 0;
    auto const [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    return error == std::errc() && end == s.data() + s.size() ? value : fallback;
}

// A finite real number, the attribute's whole text; false when missing or
// no such number.
bool real_attribute(const XML_Char** attributes, std::string_view name, double& value)
{
    const char* const text = attribute(attributes, name);
    if (text == nullptr)
        return false;
    std::string_view const s = trimmed(text);
    const char* first = s.data();
    const char* const last = first + s.size();
    double read = 0.0;
    if (!read_real(first, last, read) || first != last || !std::isfinite(read))
        return false;
    value = read;
    return true;
}

double real_or_zero(const XML_Char** attributes, std::string_view name)
{
    double value = 0.0;
    return real_attribute(attributes, name, value) ? value : 0.0;
}

// Three finite real numbers separated by commas ("1.5,0,-2"); a part that
// is missing or no such number is 0.
std::array<double, 3> position_attribute(const XML_Char** attributes, std::string_view name)
{
    std::array<double, 3> position{};
    const char* const text = attribute(attributes, name);
    if (text == nullptr)
        return position;
    std::string_view rest(text);
    for (double& c : position) {
        std::string_view::size_type const comma = rest.find(',');
        std::string_view const part = trimmed(rest.substr(0, comma));
        const char* first = part.data();
        double read = 0.0;
        if (read_real(first, part.data() + part.size(), read) && first == part.data() + part.size() &&
            std::isfinite(read))
            c = read;
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    return position;
}

// A name, cut at the bound on a character's boundary.
std::string name_attribute(const XML_Char** attributes, std::string_view name)
{
    const char* const text = attribute(attributes, name);
    if (text == nullptr)
        return {};
    return std::string(utf8_prefix(text, CompanionLimits::name_bytes));
}

class CompanionParser
{
public:
    CompanionParser(XML_Parser parser, Companion& companion) : parser_(parser), companion_(companion) {}

    std::string why;

    void start(const XML_Char* element, const XML_Char** attributes)
    {
        if (places_.size() >= CompanionLimits::depth)
            return stop("it nests deeper than " + std::to_string(CompanionLimits::depth) + " elements");
        std::string_view const name(element);
        Place const here = places_.empty() ? Place::other : places_.back();
        Place next = Place::other;
        if (places_.empty()) {
            if (name != "MetasequoiaDocument")
                return stop("its root is no MetasequoiaDocument");
            next = Place::root;
        } else if (here == Place::root) {
            next = name == bone_plugin ? Place::bones_plugin : name == morph_plugin ? Place::morphs_plugin : Place::other;
        } else if (here == Place::bones_plugin && name == "BoneSet") {
            next = Place::bone_set;
        } else if (here == Place::bones_plugin && name == "BoneSet2") {
            next = Place::bone_set2;
        } else if (here == Place::bone_set2 && name == "Bone") {
            if (!add_bone(attributes, true))
                return;
            next = Place::bone2;
        } else if (here == Place::bone2 && name == "W") {
            weighed_object_ = whole_attribute(attributes, "obj");
            next = Place::weights2;
        } else if (here == Place::weights2 && name == "V") {
            if (!add_weight(weighed_object_, attributes, "v"))
                return;
        } else if (here == Place::bone_set && name == "Bone") {
            if (!add_bone(attributes, false))
                return;
            next = Place::bone;
        } else if (here == Place::bone && name == "P") {
            companion_.bones.back().parent = whole_attribute(attributes, "id");
        } else if (here == Place::bone && name == "W") {
            if (!add_weight(whole_attribute(attributes, "oi"), attributes, "vi"))
                return;
        } else if (here == Place::morphs_plugin && name == "MorphSet") {
            next = Place::morph_set;
        } else if (here == Place::morph_set && name == "TargetList") {
            companion_.morphs.push_back(MorphList{name_attribute(attributes, "base"), {}});
            next = Place::target_list;
        } else if (here == Place::target_list && name == "Target") {
            if (++targets_ > CompanionLimits::targets)
                return stop("it has more than " + std::to_string(CompanionLimits::targets) + " morph targets");
            companion_.morphs.back().targets.push_back(name_attribute(attributes, "name"));
        }
        places_.push_back(next);
    }

    void end()
    {
        if (!places_.empty())
            places_.pop_back();
    }

    void stop(std::string reason)
    {
        if (why.empty())
            why = std::move(reason);
        XML_StopParser(parser_, XML_FALSE);
    }

private:
    // A bone of the older set: head and tip as six numbers, its parent in a
    // "P" element; or of the newer set (`joint`): its head as "x,y,z" and
    // its parent as attributes, no tip.
    bool add_bone(const XML_Char** attributes, bool joint)
    {
        if (companion_.bones.size() >= CompanionLimits::bones) {
            stop("it has more than " + std::to_string(CompanionLimits::bones) + " bones");
            return false;
        }
        CompanionBone bone;
        bone.id = whole_attribute(attributes, "id");
        bone.name = name_attribute(attributes, "name");
        bone.joint = joint;
        if (joint) {
            bone.parent = whole_attribute(attributes, "parent");
            bone.root = position_attribute(attributes, "pos");
            bone.hidden = whole_attribute(attributes, "hide") != 0;
        } else {
            bone.root = {real_or_zero(attributes, "rtX"), real_or_zero(attributes, "rtY"),
                         real_or_zero(attributes, "rtZ")};
            bone.tip = {real_or_zero(attributes, "tpX"), real_or_zero(attributes, "tpY"),
                        real_or_zero(attributes, "tpZ")};
            // A tip at the origin is the older set's "no tip".
            bone.has_tip = bone.tip != std::array<double, 3>{0.0, 0.0, 0.0};
            bone.hidden = whole_attribute(attributes, "isHide") != 0;
        }
        companion_.bones.push_back(std::move(bone));
        return true;
    }

    bool add_weight(std::uint32_t object, const XML_Char** attributes, std::string_view vertex)
    {
        if (++weights_ > CompanionLimits::weights) {
            stop("it has more than " + std::to_string(CompanionLimits::weights) + " weights");
            return false;
        }
        double weight = 0.0;
        if (!real_attribute(attributes, "w", weight))
            return true;
        companion_.bones.back().weights.push_back(
            BoneWeight{object, whole_attribute(attributes, vertex), float(std::fmin(std::fmax(weight, 0.0), 100.0))});
        return true;
    }

    XML_Parser parser_;
    Companion& companion_;
    std::vector<Place> places_;
    std::size_t weights_ = 0;
    std::size_t targets_ = 0;
    std::uint32_t weighed_object_ = 0;  // the object of the newer set's weights being read
};

void XMLCALL on_start(void* user, const XML_Char* element, const XML_Char** attributes)
{
    static_cast<CompanionParser*>(user)->start(element, attributes);
}

void XMLCALL on_end(void* user, const XML_Char*)
{
    static_cast<CompanionParser*>(user)->end();
}

// A document type could declare entities that expand without end or load
// files from elsewhere: Metasequoia writes none, so none is read.
void XMLCALL on_doctype(void* user, const XML_Char*, const XML_Char*, const XML_Char*, int)
{
    static_cast<CompanionParser*>(user)->stop("it declares a document type");
}

// The line where the parser stopped. Newer expat counts lines in 64 bits
// and marks the older call deprecated (with the marker that came with it).
std::uint64_t error_line(XML_Parser parser)
{
#ifdef XML_ATTR_DEPRECATED
    return XML_GetCurrentLineNumber64(parser);
#else
    return XML_GetCurrentLineNumber(parser);
#endif
}

struct ParserFree
{
    void operator()(XML_ParserStruct* parser) const { XML_ParserFree(parser); }
};

}  // namespace

std::string_view utf8_prefix(std::string_view text, std::size_t bytes)
{
    if (text.size() <= bytes)
        return text;
    // Back from the cut over the continuation bytes (10xxxxxx) of the
    // character it would split.
    std::size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

bool read_companion(const char* begin, const char* end, Companion& companion, std::string& why)
{
    companion = Companion();
    std::size_t const size = std::size_t(end - begin);
    if (size > CompanionLimits::bytes) {
        why = "it is larger than " + std::to_string(CompanionLimits::bytes >> 20) + " MiB";
        return false;
    }
    std::unique_ptr<XML_ParserStruct, ParserFree> const parser(XML_ParserCreate(nullptr));
    if (!parser) {
        why = "out of memory";
        return false;
    }
    CompanionParser reader(parser.get(), companion);
    XML_SetUserData(parser.get(), &reader);
    XML_SetElementHandler(parser.get(), on_start, on_end);
    XML_SetStartDoctypeDeclHandler(parser.get(), on_doctype);
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
    // In one call over the whole text: expat reads it where it lies.
    bool const parsed = XML_Parse(parser.get(), begin, int(size), XML_TRUE) == XML_STATUS_OK;
    if (parsed && reader.why.empty())
        return true;
    if (!reader.why.empty()) {
        why = reader.why;
    } else {
        why = std::string(XML_ErrorString(XML_GetErrorCode(parser.get()))) + " at line " +
              std::to_string(error_line(parser.get()));
    }
    companion = Companion();
    return false;
}

std::vector<std::ptrdiff_t> bone_parents(std::vector<CompanionBone> const& bones)
{
    std::unordered_map<std::uint32_t, std::ptrdiff_t> by_id;
    for (std::size_t i = 0; i < bones.size(); ++i)
        by_id.emplace(bones[i].id, std::ptrdiff_t(i));
    std::vector<std::ptrdiff_t> parents(bones.size(), -1);
    for (std::size_t i = 0; i < bones.size(); ++i) {
        auto const found = bones[i].parent == 0 ? by_id.end() : by_id.find(bones[i].parent);
        if (found != by_id.end())
            parents[i] = found->second;
    }
    // A chain that comes back round is cut where it is first found closed:
    // walking up from each bone, at most as many steps as there are bones.
    // 0: not seen yet; 1: on the walk now; 2: leads to a root.
    std::vector<unsigned char> state(bones.size(), 0);
    std::vector<std::size_t> walk;
    for (std::size_t i = 0; i < bones.size(); ++i) {
        walk.clear();
        std::ptrdiff_t b = std::ptrdiff_t(i);
        while (b >= 0 && state[std::size_t(b)] == 0) {
            state[std::size_t(b)] = 1;
            walk.push_back(std::size_t(b));
            std::ptrdiff_t const up = parents[std::size_t(b)];
            if (up >= 0 && state[std::size_t(up)] == 1)
                parents[std::size_t(b)] = -1;
            b = parents[std::size_t(b)];
        }
        for (std::size_t w : walk)
            state[w] = 2;
    }
    return parents;
}

}  // namespace MQO
