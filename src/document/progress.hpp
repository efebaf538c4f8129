// How far a reading has come through its document, as a fraction.
#ifndef MIVKA_DOCUMENT_PROGRESS_HPP
#define MIVKA_DOCUMENT_PROGRESS_HPP

#include <cstddef>

namespace MQO {

// The document's length for progress purposes is the bytes that remained
// at the first report of the reading; each reading keeps its own, so a
// conversion started from another's progress report leaves the other's
// alone.
class Progress
{
public:
    // The share of the recorded total consumed at `remaining` bytes before
    // the end, in single precision; records the total (and gives 0) at the
    // first report.
    float fraction(std::size_t remaining);

    // The recorded total; zero before the first report.
    std::size_t total() const { return total_; }

private:
    std::size_t total_ = 0;
};

}  // namespace MQO

#endif
