#include "document/clock.hpp"

#include <chrono>

namespace MQO {

std::int64_t clock_ms()
{
    auto const now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
}

double seconds_since(std::int64_t start_ms)
{
    return static_cast<double>(clock_ms() - start_ms) / 1000.0;
}

}  // namespace MQO
