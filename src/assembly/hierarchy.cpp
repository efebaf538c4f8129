#include "assembly/hierarchy.hpp"

#include <boost/python/list.hpp>
#include <boost/python/tuple.hpp>

namespace MQO {

namespace python = boost::python;

void build_hierarchy(DepthList const& depths)
{
    for (std::size_t e = 0; e < depths.size(); ++e) {
        DepthEntry const& entry = depths[e];
        HostObject const data = entry.object.attr("getData")(0, 1);
        HostObject const inverse = entry.object.attr("getInverseMatrix")();
        data.attr("transform")(inverse);
        if (entry.depth == 0)
            continue;
        for (std::size_t p = e; p-- > 0;) {
            if (depths[p].depth < entry.depth) {
                depths[p].object.attr("makeParent")(python::list(python::make_tuple(entry.object)));
                break;
            }
        }
    }
}

}  // namespace MQO
