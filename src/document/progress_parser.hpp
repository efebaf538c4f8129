// How far the scanner has come through the document, as a fraction.
#ifndef MIVKA_DOCUMENT_PROGRESS_PARSER_HPP
#define MIVKA_DOCUMENT_PROGRESS_PARSER_HPP

#include "document/scanner.hpp"

#include <boost/spirit/include/classic_functor_parser.hpp>

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
struct progress_reader
{
    typedef double result_t;

    template <typename ScannerT>
    std::ptrdiff_t operator()(ScannerT const& scan, double& fraction) const
    {
        scan.skip(scan);
        fraction = progress_fraction(std::size_t(scan.last - scan.first));
        return 0;
    }
};

typedef classic::functor_parser<progress_reader> progress_parser;

}  // namespace MQO

#endif
