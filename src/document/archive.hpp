// Metasequoia 4 also saves a document as a zip archive (.mqoz) that holds the
// text document as a member named like it, with ".mqo". The member is
// unpacked into memory; nothing is written to disk.
#ifndef MIVKA_DOCUMENT_ARCHIVE_HPP
#define MIVKA_DOCUMENT_ARCHIVE_HPP

#include <cstddef>
#include <string>
#include <vector>

namespace MQO {

// Whether the bytes start as a zip archive does ("PK\3\4").
bool looks_like_archive(const char* begin, const char* end);

// The unpacked bytes of the archive's first member whose name ends in
// ".mqo" (any case), in the order the archive lists them. False, with
// `why` saying what was wrong, when the bytes are no readable zip archive,
// hold no such member, or the member cannot be unpacked (damaged,
// encrypted, or too large for memory).
bool unpack_document(const char* begin, const char* end, std::vector<char>& document, std::string& why);

}  // namespace MQO

#endif
