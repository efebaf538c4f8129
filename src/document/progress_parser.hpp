// How far the scanner has come through the document, as a fraction.
#ifndef MIVKA_DOCUMENT_PROGRESS_PARSER_HPP
#define MIVKA_DOCUMENT_PROGRESS_PARSER_HPP

#include "document/progress.hpp"
#include "document/scanner.hpp"

#include <boost/spirit/include/classic_functor_parser.hpp>

#include <cstddef>

namespace MQO {

// Consumes nothing but the whitespace in front of it, always matches, and
// yields the reading's current fraction (single precision, widened to
// double).
struct progress_reader
{
    typedef double result_t;

    Progress* progress;

    template <typename ScannerT>
    std::ptrdiff_t operator()(ScannerT const& scan, double& fraction) const
    {
        scan.skip(scan);
        fraction = progress->fraction(std::size_t(scan.last - scan.first));
        return 0;
    }
};

inline classic::functor_parser<progress_reader> progress_parser(Progress& progress)
{
    return classic::functor_parser<progress_reader>(progress_reader{&progress});
}

}  // namespace MQO

#endif
