// Metasequoia 4 also saves a document as a zip archive (.mqoz) that holds the
// text document as a member named like it, with ".mqo". The member is
// unpacked into memory; nothing is written to disk.
#ifndef MIVKA_DOCUMENT_ARCHIVE_HPP
#define MIVKA_DOCUMENT_ARCHIVE_HPP

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace MQO {

// Whether the bytes start as a zip archive does ("PK\3\4").
bool looks_like_archive(const char* begin, const char* end);

// The most that the document member of an archive of `archive_bytes` may
// unpack to: a hundred times the archive, at least 64 MiB, at most 1 GiB.
// Real documents compress a few times over; deflate makes gigabytes out of
// a few kilobytes.
std::size_t unpack_limit(std::size_t archive_bytes);

// The unpacked bytes of the archive's first member whose name ends in
// ".mqo" (any case), in the order the archive lists them. False, with
// `why` saying what was wrong, when the bytes are no readable zip archive,
// hold no such member, or the member cannot be unpacked (damaged,
// encrypted, beyond unpack_limit, whatever its header says, or too large
// for memory). `progress` hears the share unpacked, from 0 to 1, now and
// then.
bool unpack_document(const char* begin, const char* end, std::vector<char>& document, std::string& why,
                     std::function<void(double)> const& progress = {});

// The members of an archive by path and by file name, listed once; the
// bytes must outlive it.
class ArchiveMembers
{
public:
    ArchiveMembers(const char* begin, const char* end);
    ~ArchiveMembers();
    ArchiveMembers(ArchiveMembers const&) = delete;
    ArchiveMembers& operator=(ArchiveMembers const&) = delete;

    // The member that a document's file text names: the member of that path
    // (any case, either slash), else the first whose file name is the
    // text's. None when there is none, or the bytes are no readable archive.
    std::optional<std::uint64_t> find(std::string const& wanted) const;

    // The unpacked bytes of a member that find gave, at most `limit` bytes.
    // `file` is the name it has in the archive, without folders. False when
    // it cannot be unpacked (damaged, encrypted, or beyond the limit).
    bool unpack(std::uint64_t member, std::size_t limit, std::vector<char>& bytes, std::string& file) const;

    // What the archive's size allows to be unpacked (unpack_limit).
    std::size_t limit() const;

private:
    struct Listed;
    std::unique_ptr<Listed> listed_;
};

// The archive that a document came out of, as everything that reads its
// members shares it: listed once, on first need, and all the members
// unpacked from it together held to what the archive's size allows the
// document (unpack_limit).
class DocumentArchive
{
public:
    // The archive's bytes, which must outlive it.
    void set(const char* begin, const char* end)
    {
        begin_ = begin;
        end_ = end;
    }

    // The member a file text names (ArchiveMembers::find); none when the
    // document came out of no archive.
    std::optional<std::uint64_t> find(std::string const& wanted);

    // The member's bytes, at most `limit` and at most what is left to
    // unpack, which they then use up. False when it cannot be unpacked
    // within that.
    bool unpack(std::uint64_t member, std::size_t limit, std::vector<char>& bytes, std::string& file);

private:
    const char* begin_ = nullptr;
    const char* end_ = nullptr;
    std::unique_ptr<ArchiveMembers> members_;
    std::size_t bytes_left_ = 0;
};

}  // namespace MQO

#endif
