// The Material chunk grammar: the chunk head, the material names and the
// keyword attributes, each handed to the sink as soon as its value has been
// read.
//
//     Material count {
//         "name" keyword(value) keyword(value) ...
//         ...
//     }
#ifndef MIVKA_MATERIALS_MATERIAL_PARSER_HPP
#define MIVKA_MATERIALS_MATERIAL_PARSER_HPP

#include "document/reading.hpp"
#include "document/values.hpp"

#include <boost/spirit/include/classic_closure.hpp>

#include <string_view>

namespace MQO {

// The text being read by the quoted-string rule: a view of the document,
// so that names and file names are not copied until the sink takes them.
struct filename_closure : classic::closure<filename_closure, std::string_view>
{
    member1 text;
};

class MaterialParser
{
public:
    MaterialParser();

    // "Material", the count, "{". The count is read and not used.
    bool parse_head(scanner_t const& scan) const;

    // A quoted material name.
    bool parse_name(scanner_t const& scan, std::string_view& name) const;

    // Zero or more attributes "keyword(value)", each handed to the sink as
    // soon as its value has been read (before its closing parenthesis is
    // looked for). Stops in front of the first attribute that is not
    // complete.
    // With extended reading on, the attributes newer documents carry
    // ("dbls", "reflect", "refract", "amb_col", "emi_col", "spc_col") are
    // read as well, attributes this reader does not know, "word(...)", are
    // skipped instead of ending the attributes, and "vcol", "proj_pos" and
    // "proj_scale" take effect (the plain rules read them and hand them
    // over to no one).
    void parse_attributes(Reading const& reading) const;

private:
    keyword_table keywords_;
    keyword_table newer_keywords_;
    classic::rule<scanner_t, filename_closure::context_t> quoted_string_;
    heap_value_rule<unsigned_value_parser> unsigned_rule_;
    heap_value_rule<real_value_parser> real_rule_;
    heap_value_rule<quoted_string_parser> text_rule_;
    heap_value_rule<real_triple_parser> triple_rule_;
    heap_value_rule<real_quadruple_parser> quadruple_rule_;
};

}  // namespace MQO

#endif
