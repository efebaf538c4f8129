#include "assembly/hierarchy.hpp"

#include <boost/python/list.hpp>
#include <boost/python/tuple.hpp>

#include <vector>

namespace MQO {

namespace python = boost::python;

void build_hierarchy(DepthList const& depths)
{
    // The entries that can still be a parent: earlier entries with no later
    // entry of smaller or equal depth, so depths rise from bottom to top.
    // The nearest earlier entry of smaller depth is the top once the deeper
    // or equal ones are gone; this keeps the search linear.
    std::vector<DepthEntry const*> candidates;
    for (DepthEntry const& entry : depths) {
        // A flat or vanishing scale has no inverse: such an object keeps only
        // its position, and its mesh stays where the document puts it.
        if (entry.degenerate_scale) {
            HostObject const position = entry.object.attr("matrix").attr("translationPart")();
            entry.object.attr("setMatrix")(host::blender("Mathutils").attr("TranslationMatrix")(position));
        }
        HostObject const data = entry.object.attr("getData")(0, 1);
        HostObject const inverse = entry.object.attr("getInverseMatrix")();
        data.attr("transform")(inverse);

        while (!candidates.empty() && candidates.back()->depth >= entry.depth)
            candidates.pop_back();
        if (entry.depth != 0 && !candidates.empty())
            candidates.back()->object.attr("makeParent")(python::list(python::make_tuple(entry.object)));
        candidates.push_back(&entry);
    }
}

}  // namespace MQO
