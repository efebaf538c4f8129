#include "document/archive.hpp"

#include <zip.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>

namespace MQO {

namespace {

struct ArchiveCloser
{
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct MemberCloser
{
    void operator()(zip_file_t* member) const { zip_fclose(member); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;
using Member = std::unique_ptr<zip_file_t, MemberCloser>;

bool names_document(const char* name)
{
    std::size_t const length = std::strlen(name);
    if (length < 4)
        return false;
    const char* suffix = name + length - 4;
    return suffix[0] == '.' && (suffix[1] | 0x20) == 'm' && (suffix[2] | 0x20) == 'q' && (suffix[3] | 0x20) == 'o';
}

Archive open_archive(const char* begin, const char* end, std::string& why)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(begin, static_cast<zip_uint64_t>(end - begin), 0, &error);
    zip_t* archive = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    if (archive == nullptr) {
        why = zip_error_strerror(&error);
        if (source)
            zip_source_free(source);
    }
    zip_error_fini(&error);
    return Archive(archive);
}

std::string too_large(std::size_t limit)
{
    return "the document unpacks to more than " + std::to_string(limit) +
           " bytes, more than an archive of this size holds";
}

// Reads the member in pieces, never trusting the size its header states for
// more than a first reservation, and never past `limit`.
bool read_member(zip_t* archive, zip_uint64_t index, std::size_t limit, std::vector<char>& document,
                 std::string& why, std::function<void(double)> const& progress)
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    Member member(zip_fopen_index(archive, index, 0));
    if (member == nullptr || zip_stat_index(archive, index, 0, &stat) != 0) {
        why = zip_strerror(archive);
        return false;
    }
    bool const sized = (stat.valid & ZIP_STAT_SIZE) != 0;
    if (sized && stat.size > limit) {
        why = too_large(limit);
        return false;
    }
    try {
        if (sized)
            document.reserve(static_cast<std::size_t>(std::min<zip_uint64_t>(stat.size, zip_uint64_t(1) << 28)));
        char piece[1 << 16];
        std::size_t reported = 0;
        for (;;) {
            zip_int64_t const got = zip_fread(member.get(), piece, sizeof piece);
            if (got < 0) {
                why = zip_file_strerror(member.get());
                return false;
            }
            if (got == 0)
                return true;
            if (document.size() + static_cast<std::size_t>(got) > limit) {
                document = std::vector<char>();
                why = too_large(limit);
                return false;
            }
            document.insert(document.end(), piece, piece + got);
            // Every 4 MiB, as a share of the stated size (or of the limit).
            if (progress && document.size() - reported >= (std::size_t(4) << 20)) {
                reported = document.size();
                double const whole = double(sized && stat.size > 0 ? stat.size : limit);
                progress(std::min(1.0, double(reported) / whole));
            }
        }
    } catch (std::bad_alloc const&) {
        document = std::vector<char>();
        why = "the document does not fit in memory";
        return false;
    }
}

}  // namespace

bool looks_like_archive(const char* begin, const char* end)
{
    return end - begin >= 4 && std::memcmp(begin, "PK\x03\x04", 4) == 0;
}

std::size_t unpack_limit(std::size_t archive_bytes)
{
    std::size_t const floor = std::size_t(64) << 20;
    std::size_t const ceiling = std::size_t(1) << 30;
    if (archive_bytes >= ceiling / 100)
        return ceiling;
    return std::max(floor, archive_bytes * 100);
}

bool unpack_document(const char* begin, const char* end, std::vector<char>& document, std::string& why,
                     std::function<void(double)> const& progress)
{
    document.clear();
    Archive const archive = open_archive(begin, end, why);
    if (archive == nullptr)
        return false;
    zip_int64_t const members = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t index = 0; index < members; ++index) {
        const char* name = zip_get_name(archive.get(), static_cast<zip_uint64_t>(index), ZIP_FL_ENC_RAW);
        if (name != nullptr && names_document(name))
            return read_member(archive.get(), static_cast<zip_uint64_t>(index),
                               unpack_limit(static_cast<std::size_t>(end - begin)), document, why, progress);
    }
    why = "no .mqo document in the archive";
    return false;
}

namespace {

// A member path to compare: ASCII letters in lower case, every backslash a
// slash, without a leading "./".
std::string comparable(std::string path)
{
    for (char& c : path) {
        if (c == '\\')
            c = '/';
        else if (c >= 'A' && c <= 'Z')
            c = char(c | 0x20);
    }
    while (path.compare(0, 2, "./") == 0)
        path.erase(0, 2);
    return path;
}

std::string file_name_of(std::string const& path)
{
    std::size_t const slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

struct ArchiveMembers::Listed
{
    Archive archive;
    std::size_t limit = 0;
    std::unordered_map<std::string, zip_uint64_t> by_path;  // the first of each path
    std::unordered_map<std::string, zip_uint64_t> by_name;  // the first of each file name
};

ArchiveMembers::ArchiveMembers(const char* begin, const char* end) : listed_(new Listed)
{
    std::string why;
    listed_->archive = open_archive(begin, end, why);
    listed_->limit = unpack_limit(static_cast<std::size_t>(end - begin));
    if (listed_->archive == nullptr)
        return;
    zip_int64_t const members = zip_get_num_entries(listed_->archive.get(), 0);
    for (zip_int64_t index = 0; index < members; ++index) {
        const char* raw = zip_get_name(listed_->archive.get(), static_cast<zip_uint64_t>(index), ZIP_FL_ENC_RAW);
        if (raw == nullptr)
            continue;
        std::string const member = comparable(raw);
        listed_->by_path.emplace(member, static_cast<zip_uint64_t>(index));
        listed_->by_name.emplace(file_name_of(member), static_cast<zip_uint64_t>(index));
    }
}

ArchiveMembers::~ArchiveMembers() = default;

std::optional<std::uint64_t> ArchiveMembers::find(std::string const& wanted) const
{
    std::string const path = comparable(wanted);
    std::string const name = file_name_of(path);
    if (listed_->archive == nullptr || name.empty())
        return std::nullopt;
    auto found = listed_->by_path.find(path);
    if (found == listed_->by_path.end()) {
        found = listed_->by_name.find(name);
        if (found == listed_->by_name.end())
            return std::nullopt;
    }
    return found->second;
}

bool ArchiveMembers::unpack(std::uint64_t member, std::size_t limit, std::vector<char>& bytes,
                            std::string& file) const
{
    const char* const raw_name = zip_get_name(listed_->archive.get(), member, ZIP_FL_ENC_RAW);
    if (raw_name == nullptr)
        return false;
    std::string raw = raw_name;
    std::replace(raw.begin(), raw.end(), '\\', '/');
    file = file_name_of(raw);
    std::string why;
    return read_member(listed_->archive.get(), member, std::min(limit, listed_->limit), bytes, why, {});
}

std::size_t ArchiveMembers::limit() const
{
    return listed_->limit;
}

std::optional<std::uint64_t> DocumentArchive::find(std::string const& wanted)
{
    if (begin_ == nullptr)
        return std::nullopt;
    if (!members_) {
        members_ = std::make_unique<ArchiveMembers>(begin_, end_);
        bytes_left_ = members_->limit();
    }
    return members_->find(wanted);
}

bool DocumentArchive::unpack(std::uint64_t member, std::size_t limit, std::vector<char>& bytes, std::string& file)
{
    if (!members_ || !members_->unpack(member, std::min(limit, bytes_left_), bytes, file))
        return false;
    bytes_left_ -= bytes.size();
    return true;
}

}  // namespace MQO
