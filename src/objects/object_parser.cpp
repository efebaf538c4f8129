#include "objects/object_parser.hpp"

#include "document/foreign.hpp"

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
        struct Keyword
        {
            const char* keyword;
            ObjectAttribute attribute;
            value_rule const* rule;
        };
        Keyword const table[] = {
            {"depth", depth_attribute, &unsigned_rule},
            {"folding", folding_attribute, &unsigned_rule},
            {"patch", patch_attribute, &unsigned_rule},
            {"segment", segment_attribute, &unsigned_rule},
            {"visible", visible_attribute, &unsigned_rule},
            {"locking", locking_attribute, &unsigned_rule},
            {"shading", shading_attribute, &unsigned_rule},
            {"color_type", color_type_attribute, &unsigned_rule},
            {"mirror", mirror_attribute, &unsigned_rule},
            {"mirror_axis", mirror_axis_attribute, &unsigned_rule},
            {"lathe", lathe_attribute, &unsigned_rule},
            {"lathe_axis", lathe_axis_attribute, &unsigned_rule},
            {"lathe_seg", lathe_seg_attribute, &unsigned_rule},
            {"facet", facet_attribute, &real_rule},
            {"mirror_dis", mirror_dis_attribute, &real_rule},
            {"color", color_attribute, &triple_rule},
            {"scale", scale_attribute, &triple_rule},
            {"rotation", rotation_attribute, &triple_rule},
            {"translation", translation_attribute, &triple_rule},
        };
        for (Keyword const& k : table)
            keywords.add(k.keyword, keyword_entry{k.attribute, k.rule});
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

namespace {

// Lines of the object's placement and of what the host does not show.
bool always_taken(std::int32_t tag)
{
    return tag == depth_attribute || tag == folding_attribute || tag == locking_attribute ||
           tag == color_type_attribute || tag == color_attribute || tag == scale_attribute ||
           tag == rotation_attribute || tag == translation_attribute;
}

// At an attribute line this reader builds no display from: an object's
// "uid N" line hands its number to the sink. Consumes nothing.
void read_object_uid(Reading const& reading)
{
    using namespace classic;
    iterator_t first = reading.scan.first;
    scanner_t const probe(first, reading.scan.last);
    if (!str_p("uid").parse(probe))
        return;
    if (auto const uid = unsigned_value_parser().parse(probe))
        reading.sink.object_uid(uid.value());
}

}  // namespace

void parse_object_attributes(Reading const& reading, std::size_t object, DepthList& depths)
{
    scanner_t const& scan = reading.scan;
    ExtendedSwitch& extended = reading.extended;
    ObjectScale scale;
    auto const apply = [&](std::int32_t tag, attribute_value const& value) {
        if (tag == depth_attribute) {
            std::int32_t const depth = static_cast<std::int32_t>(boost::get<std::uint32_t>(value));
            // One entry per object: a second depth line would make the object
            // its own parent and move its mesh twice.
            if (DepthEntry* const entry = entry_of(depths, object))
                entry->depth = depth;
            else
                depths.push_back(DepthEntry{object, depth});
        } else if (tag == scale_attribute) {
            real_triple const& triple = boost::get<real_triple>(value);
            // Components that the line did not give leave that axis unchanged.
            for (std::size_t i = 0; i < triple.count; ++i)
                scale.factor[i] *= triple[i];
        }
        if (always_taken(tag) || extended.on())
            reading.sink.object_attribute(static_cast<ObjectAttribute>(tag), value);
    };
    keyword_table const& keywords = ObjectAttributeTable::get().keywords;
    read_keyword_attributes(scan, keywords, 0, 0, apply);
    while (foreign_word_at(scan, {"vertex", "vertexattr", "BVertex", "face"}) && extended.on()) {
        read_object_uid(reading);
        if (!skip_foreign_line(scan, {}))
            break;
        read_keyword_attributes(scan, keywords, 0, 0, apply);
    }
    if (DepthEntry* const entry = entry_of(depths, object))
        entry->degenerate_scale = scale.degenerate();
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

}  // namespace MQO
