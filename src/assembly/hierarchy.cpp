#include "assembly/hierarchy.hpp"

#include <vector>

namespace MQO {

void build_hierarchy(DepthList const& depths, DocumentSink& sink)
{
    // The entries that can still be a parent: earlier entries with no later
    // entry of smaller or equal depth, so depths rise from bottom to top.
    // The nearest earlier entry of smaller depth is the top once the deeper
    // or equal ones are gone; this keeps the search linear.
    std::vector<DepthEntry const*> candidates;
    for (DepthEntry const& entry : depths) {
        while (!candidates.empty() && candidates.back()->depth >= entry.depth)
            candidates.pop_back();
        std::ptrdiff_t parent = -1;
        if (entry.depth != 0 && !candidates.empty())
            parent = std::ptrdiff_t(candidates.back()->object);
        sink.place(entry.object, parent, entry.degenerate_scale);
        candidates.push_back(&entry);
    }
}

}  // namespace MQO
