#include "objects/object_parser.hpp"

#include "objects/transform.hpp"

#include <boost/variant/get.hpp>

#include <cmath>

namespace MQO {

namespace {

// The table of object attribute keywords, built on first use and kept.
class ObjectAttributeTable
{
public:
    static ObjectAttributeTable const& get()
    {
        static ObjectAttributeTable const table;
        return table;
    }

    keyword_table keywords;

private:
    ObjectAttributeTable()
    {
        const char* const unsigned_keywords[] = {"depth",   "folding", "patch",      "segment",     "visible",
                                                 "locking", "shading", "color_type", "mirror",      "mirror_axis",
                                                 "lathe",   "lathe_axis", "lathe_seg"};
        std::int32_t kind = 0;
        for (const char* keyword : unsigned_keywords)
            keywords.add(keyword, keyword_entry{kind++, &unsigned_rule});
        for (const char* keyword : {"facet", "mirror_dis"})
            keywords.add(keyword, keyword_entry{kind++, &real_rule});
        for (const char* keyword : {"color", "scale", "rotation", "translation"})
            keywords.add(keyword, keyword_entry{kind++, &triple_rule});
    }

    heap_value_rule<unsigned_value_parser> unsigned_rule;
    heap_value_rule<real_value_parser> real_rule;
    heap_value_rule<real_triple_parser> triple_rule;
};

}  // namespace

bool parse_object_head(scanner_t const& scan, std::string_view& name)
{
    using namespace classic;
    if (!str_p("Object").parse(scan))
        return false;
    auto hit = quoted_string_parser().parse(scan);
    if (!hit || !ch_p('{').parse(scan))
        return false;
    name = hit.value();
    return true;
}

void parse_object_attributes(scanner_t const& scan, ObjectStageContext const& context, HostObject const& mesh,
                             HostObject const& object, DepthList& depths)
{
    set_translation_scale(context.scale);
    keyword_table const& keywords = ObjectAttributeTable::get().keywords;
    ObjectScale scale;
    for (;;) {
        iterator_t const start = scan.first;
        keyword_entry const* const entry = find_keyword(keywords, scan);
        attribute_holder value;
        if (!entry || !entry->rule->read(scan, value)) {
            scan.first = start;
            break;
        }
        apply_object_attribute(mesh, object, depths, scale, entry->tag, *value);
    }
    if (!depths.empty() && depths.back().object.ptr() == object.ptr())
        depths.back().degenerate_scale = scale.degenerate();
}

bool ObjectScale::degenerate() const
{
    // Far inside single precision's range, so that the inverse and the
    // vertices moved by it stay finite and exact enough.
    double const smallest = 1e-6;
    double const largest = 1e6;
    for (double const f : factor) {
        double const magnitude = std::fabs(f);
        if (!(magnitude >= smallest && magnitude <= largest))
            return true;
    }
    return false;
}

void apply_object_attribute(HostObject const&, HostObject const& object, DepthList& depths, ObjectScale& scale,
                            std::int32_t kind, attribute_value const& value)
{
    if (kind == depth_kind) {
        std::int32_t const depth = static_cast<std::int32_t>(boost::get<std::uint32_t>(value));
        // One entry per object: a second depth line would make the object
        // its own parent and move its mesh twice.
        if (!depths.empty() && depths.back().object.ptr() == object.ptr())
            depths.back().depth = depth;
        else
            depths.push_back(DepthEntry{depth, object});
    } else if (kind >= scale_kind && kind <= translation_kind) {
        real_triple const& triple = boost::get<real_triple>(value);
        // Components that the line did not give leave that axis unchanged.
        double const unread = kind == scale_kind ? 1.0 : 0.0;
        double c[3];
        for (std::size_t i = 0; i < 3; ++i)
            c[i] = i < triple.count ? triple[i] : unread;
        if (kind == scale_kind) {
            for (std::size_t i = 0; i < 3; ++i)
                scale.factor[i] *= c[i];
        }
        apply_object_transform(object, kind, c[0], c[1], c[2]);
    }
}

}  // namespace MQO
