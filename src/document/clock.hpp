// The clock of the console's timing lines.
#ifndef MIVKA_DOCUMENT_CLOCK_HPP
#define MIVKA_DOCUMENT_CLOCK_HPP

#include <cstdint>

namespace MQO {

// Milliseconds on a monotonic clock.
std::int64_t clock_ms();

// Elapsed seconds as the timing lines print them: whole milliseconds
// divided by 1000.
double seconds_since(std::int64_t start_ms);

}  // namespace MQO

#endif
