#include "materials/material_parser.hpp"

#include "materials/material_attributes.hpp"

#include <boost/spirit/include/phoenix1_operators.hpp>
#include <boost/spirit/include/phoenix1_primitives.hpp>

namespace MQO {

// The library's closures keep the address of their frame on the stack while
// a rule runs and take it back afterwards; GCC cannot see the second half.
// (Clang has no such warning.)
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdangling-pointer"
#endif

MaterialParser::MaterialParser(TextureSearch search) : search_(std::move(search))
{
    quoted_string_ = quoted_string_parser()[quoted_string_.text = phoenix::arg1];

    struct Keyword
    {
        const char* keyword;
        MaterialAttributeTag tag;
        value_rule const* rule;
    };
    Keyword const keywords[] = {
        {"shader", 0x10, &unsigned_rule_},   {"vcol", 0x11, &unsigned_rule_},     {"proj_type", 0x12, &unsigned_rule_},
        {"dif", 0x20, &real_rule_},          {"amb", 0x21, &real_rule_},          {"emi", 0x22, &real_rule_},
        {"spc", 0x23, &real_rule_},          {"power", 0x24, &real_rule_},        {"tex", 0x40, &text_rule_},
        {"bump", 0x41, &text_rule_},         {"alpha", 0x42, &text_rule_},        {"aplane", 0x42, &text_rule_},
        {"proj_pos", 0x80, &triple_rule_},   {"proj_angle", 0x81, &triple_rule_}, {"proj_scale", 0x82, &triple_rule_},
        {"col", 0x83, &quadruple_rule_},
    };
    for (Keyword const& k : keywords)
        keywords_.add(k.keyword, keyword_entry{k.tag, k.rule});
}

bool MaterialParser::parse_head(scanner_t const& scan) const
{
    using namespace classic;
    return (str_p("Material") >> unsigned_value_parser() >> ch_p('{')).parse(scan);
}

bool MaterialParser::parse_name(scanner_t const& scan, std::string_view& name) const
{
    auto hit = quoted_string_.parse(scan);
    if (!hit)
        return false;
    name = hit.value();
    return true;
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

void MaterialParser::parse_attributes(scanner_t const& scan, HostObject const& material) const
{
    for (;;) {
        iterator_t const start = scan.first;
        keyword_entry const* const entry = find_keyword(keywords_, scan);
        attribute_holder value;
        if (!entry || !classic::ch_p('(').parse(scan) || !entry->rule->read(scan, value)) {
            scan.first = start;
            return;
        }
        apply_material_attribute(search_, material, entry->tag, *value);
        if (!classic::ch_p(')').parse(scan)) {
            scan.first = start;
            return;
        }
    }
}

}  // namespace MQO
