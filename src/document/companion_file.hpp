// Where a document's companion (.mqx) is, and reading it: the file that
// the document names is looked for beside the document (in the archive
// that the document came out of first), then a file named like the
// document with ".mqx".
#ifndef MIVKA_DOCUMENT_COMPANION_FILE_HPP
#define MIVKA_DOCUMENT_COMPANION_FILE_HPP

#include "document/archive.hpp"
#include "document/companion.hpp"
#include "document/texture_paths.hpp"

#include <string>
#include <string_view>

namespace MQO {

struct CompanionSearch
{
    std::string document_path;  // the document's path, as the conversion was given it
    DoubleBytes text = DoubleBytes::guessed;  // how the document writes characters of two bytes
    DocumentArchive* archive = nullptr;       // the archive the document came out of, if any
};

enum class CompanionOutcome
{
    read,
    missing,     // no such file beside the document
    unreadable,  // found, but it cannot be read or is not understood
};

// Finds and reads the companion that the document names as `named`. Only
// its file name counts: folders in it are passed over. `where`: the path
// (or archive member) it was found at; `why`: what was wrong with it.
CompanionOutcome load_companion(CompanionSearch const& search, std::string_view named, Companion& companion,
                                std::string& where, std::string& why);

}  // namespace MQO

#endif
