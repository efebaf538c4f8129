// The progress bar, and the clock of the console's timing lines.
#ifndef MIVKA_MODULE_PROGRESS_HPP
#define MIVKA_MODULE_PROGRESS_HPP

#include <cstdint>

namespace MQO {

// Shows `fraction` with `message` on the host's progress bar
// (Window.DrawProgressBar). Host errors propagate.
void report_progress(double fraction, const char* message);

// The progress report that the grammars place where a report is wanted.
void report_progress_here(double fraction);

// Milliseconds on a monotonic clock.
std::int64_t clock_ms();

// Elapsed seconds as the timing lines print them: whole milliseconds
// divided by 1000.
double seconds_since(std::int64_t start_ms);

}  // namespace MQO

#endif
