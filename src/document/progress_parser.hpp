// How far the scanner has come through the document, as a fraction.
#ifndef MIVKA_DOCUMENT_PROGRESS_PARSER_HPP
#define MIVKA_DOCUMENT_PROGRESS_PARSER_HPP

#include "document/scanner.hpp"

#include <cstddef>

namespace MQO {

// The document's length for progress purposes: the bytes that remained at
// the first report of a conversion. Zero means that none is recorded yet.
std::size_t progress_total();
void reset_progress_total();

// The share of the recorded total consumed at `remaining` bytes before the
// end, in single precision; records the total (and gives 0) when none is
// recorded yet.
float progress_fraction(std::size_t remaining);

// Consumes nothing but the whitespace in front of it, always matches, and
// yields the current fraction (single precision, widened to double).
struct progress_parser : classic::parser<progress_parser>
{
    typedef progress_parser self_t;

    template <typename ScannerT>
    struct result
    {
        typedef typename classic::match_result<ScannerT, double>::type type;
    };

    template <typename ScannerT>
    typename classic::parser_result<self_t, ScannerT>::type parse(ScannerT const& scan) const
    {
        scan.skip(scan);
        double const fraction = progress_fraction(std::size_t(scan.last - scan.first));
        return scan.create_match(0, fraction, scan.first, scan.first);
    }
};

}  // namespace MQO

#endif
