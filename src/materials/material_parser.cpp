#include "materials/material_parser.hpp"

#include "document/foreign.hpp"

#include <boost/spirit/include/phoenix1_operators.hpp>
#include <boost/spirit/include/phoenix1_primitives.hpp>

namespace MQO {

// The library's closures keep the address of their frame on the stack while
// a rule runs and take it back afterwards; GCC cannot see the second half.
// (Clang and GCC before 12 have no such warning.)
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdangling-pointer"
#endif

MaterialParser::MaterialParser()
{
    quoted_string_ = quoted_string_parser()[quoted_string_.text = phoenix::arg1];

    struct Keyword
    {
        const char* keyword;
        MaterialTag tag;
        value_rule const* rule;
    };
    Keyword const keywords[] = {
        {"shader", shader_tag, &unsigned_rule_},        {"vcol", vcol_tag, &unsigned_rule_},
        {"proj_type", proj_type_tag, &unsigned_rule_},  {"dif", dif_tag, &real_rule_},
        {"amb", amb_tag, &real_rule_},                  {"emi", emi_tag, &real_rule_},
        {"spc", spc_tag, &real_rule_},                  {"power", power_tag, &real_rule_},
        {"tex", tex_tag, &text_rule_},                  {"bump", bump_tag, &text_rule_},
        {"alpha", alpha_tag, &text_rule_},              {"aplane", alpha_tag, &text_rule_},
        {"proj_pos", proj_pos_tag, &triple_rule_},      {"proj_angle", proj_angle_tag, &triple_rule_},
        {"proj_scale", proj_scale_tag, &triple_rule_},  {"col", col_tag, &quadruple_rule_},
    };
    for (Keyword const& k : keywords)
        keywords_.add(k.keyword, keyword_entry{k.tag, k.rule});
    Keyword const newer_keywords[] = {
        {"dbls", dbls_tag, &unsigned_rule_},          {"reflect", reflect_tag, &real_rule_},
        {"refract", refract_tag, &real_rule_},        {"amb_col", amb_col_tag, &triple_rule_},
        {"emi_col", emi_col_tag, &triple_rule_},      {"spc_col", spc_col_tag, &triple_rule_},
    };
    for (Keyword const& k : newer_keywords)
        newer_keywords_.add(k.keyword, keyword_entry{k.tag, k.rule});
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

#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic pop
#endif

void MaterialParser::parse_attributes(Reading const& reading) const
{
    scanner_t const& scan = reading.scan;
    ExtendedSwitch& extended = reading.extended;
    auto const hand_over = [&](std::int32_t tag, attribute_value const& value) {
        if ((tag == vcol_tag || tag == proj_pos_tag || tag == proj_scale_tag) && !extended.on())
            return;
        reading.sink.material_attribute(static_cast<MaterialTag>(tag), value);
    };
    do {
        read_keyword_attributes(scan, keywords_, '(', ')', hand_over);
    } while (foreign_call_at(scan) && extended.on() &&
             (read_keyword_attributes(scan, newer_keywords_, '(', ')', hand_over) > 0 || skip_foreign_call(scan)));
}

}  // namespace MQO
