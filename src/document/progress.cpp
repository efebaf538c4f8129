#include "document/progress.hpp"

namespace MQO {

float Progress::fraction(std::size_t remaining)
{
    if (total_ == 0) {
        total_ = remaining;
        return 0.0f;
    }
    // Clamped, so a position past the recorded total cannot leave [0, 1].
    std::size_t const consumed = remaining < total_ ? total_ - remaining : 0;
    return static_cast<float>(static_cast<double>(consumed) / static_cast<double>(total_));
}

}  // namespace MQO
