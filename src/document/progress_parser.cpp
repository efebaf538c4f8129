#include "document/progress_parser.hpp"

namespace MQO {

namespace {
std::size_t recorded_total = 0;
}

std::size_t progress_total()
{
    return recorded_total;
}

void reset_progress_total()
{
    recorded_total = 0;
}

float progress_fraction(std::size_t remaining)
{
    if (recorded_total == 0) {
        recorded_total = remaining;
        return 0.0f;
    }
    // Clamped, so a position past the recorded total cannot leave [0, 1].
    std::size_t const consumed = remaining < recorded_total ? recorded_total - remaining : 0;
    return static_cast<float>(static_cast<double>(consumed) / static_cast<double>(recorded_total));
}

}  // namespace MQO
