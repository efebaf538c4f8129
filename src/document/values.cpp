#include "document/values.hpp"

namespace MQO {

keyword_entry const* find_keyword(keyword_table const& table, scanner_t const& scan)
{
    auto hit = table.parse(scan);
    if (!hit)
        return nullptr;
    return &hit.value().get();
}

}  // namespace MQO
