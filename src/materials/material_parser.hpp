// The Material chunk grammar: the chunk head, the material names and the
// keyword attributes, each applied to the host material as soon as its
// value has been read.
#ifndef MIVKA_MATERIALS_MATERIAL_PARSER_HPP
#define MIVKA_MATERIALS_MATERIAL_PARSER_HPP

#include "document/scanner.hpp"
#include "document/values.hpp"
#include "host/host.hpp"

#include <boost/spirit/include/classic_closure.hpp>

#include <cstdint>
#include <string>
#include <string_view>

namespace MQO {

// A material attribute's tag: bits 0x10, 0x20, 0x40 and 0x80 give the value
// class (integer, real, text, vector), the low bits the index in the class.
typedef std::int32_t MaterialAttributeTag;

enum MaterialAttributeClass : MaterialAttributeTag
{
    integer_attribute = 0x10,
    real_attribute = 0x20,
    text_attribute = 0x40,
    vector_attribute = 0x80,
};

// Where texture files are looked for besides the names as written.
struct TextureSearch
{
    std::string document_folder;  // the folder of the document being read
};

// The text being read by the quoted-string rule: a view of the document,
// so that names and file names are not copied until the host takes them.
struct filename_closure : classic::closure<filename_closure, std::string_view>
{
    member1 text;
};

class MaterialParser
{
public:
    explicit MaterialParser(TextureSearch search = TextureSearch());

    // "Material", the count, "{". The count is read and not used.
    bool parse_head(scanner_t const& scan) const;

    // A quoted material name.
    bool parse_name(scanner_t const& scan, std::string_view& name) const;

    // Zero or more attributes, each applied to `material` as soon as its
    // value has been read (before its closing parenthesis is looked for).
    // Stops in front of the first attribute that is not complete.
    void parse_attributes(scanner_t const& scan, HostObject const& material) const;

private:
    TextureSearch search_;
    keyword_table keywords_;
    classic::rule<scanner_t, filename_closure::context_t> quoted_string_;
    heap_value_rule<unsigned_value_parser> unsigned_rule_;
    heap_value_rule<real_value_parser> real_rule_;
    heap_value_rule<quoted_string_parser> text_rule_;
    heap_value_rule<real_triple_parser> triple_rule_;
    heap_value_rule<real_quadruple_parser> quadruple_rule_;
};

// Hands one attribute to the handler of its tag's class, tested in the
// order integer, real, text, vector; a tag of no class is dropped.
void apply_material_attribute(TextureSearch const& search, HostObject const& material, MaterialAttributeTag tag,
                              attribute_value const& value);

}  // namespace MQO

#endif
