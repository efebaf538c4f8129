#include "document/companion_file.hpp"

#include "document/document_source.hpp"

#include <optional>
#include <vector>

namespace MQO {

namespace {

// The file name alone: what follows the last separator once the
// document's separators are slashes.
std::string file_name_of(std::string_view named, DoubleBytes text)
{
    std::string const joined = join_texture_path(std::string(), std::string(named), text);
    std::string::size_type const slash = joined.rfind('/');
    return slash == std::string::npos ? joined : joined.substr(slash + 1);
}

CompanionOutcome read_text(const char* begin, const char* end, Companion& companion, std::string& why)
{
    return read_companion(begin, end, companion, why) ? CompanionOutcome::read : CompanionOutcome::unreadable;
}

std::optional<CompanionOutcome> from_archive(CompanionSearch const& search, std::string const& file,
                                             Companion& companion, std::string& where, std::string& why)
{
    if (search.archive == nullptr || file.empty())
        return std::nullopt;
    std::optional<std::uint64_t> const member = search.archive->find(file);
    if (!member)
        return std::nullopt;
    where = search.document_path + ": " + file;
    std::vector<char> bytes;
    std::string unpacked_name;
    if (!search.archive->unpack(*member, CompanionLimits::bytes + 1, bytes, unpacked_name)) {
        why = "it cannot be unpacked, or is larger than " + std::to_string(CompanionLimits::bytes >> 20) +
              " MiB or than the archive's size allows";
        return CompanionOutcome::unreadable;
    }
    return read_text(bytes.data(), bytes.data() + bytes.size(), companion, why);
}

std::optional<CompanionOutcome> from_file(std::string const& path, Companion& companion, std::string& where,
                                          std::string& why)
{
    DocumentSource const source = DocumentSource::open(path);
    if (!source.valid())
        return std::nullopt;
    where = path;
    CompanionOutcome const outcome = read_text(source.begin(), source.end(), companion, why);
    if (source.cut_short()) {
        companion = Companion();
        why = "it was cut short while it was read";
        return CompanionOutcome::unreadable;
    }
    return outcome;
}

}  // namespace

CompanionOutcome load_companion(CompanionSearch const& search, std::string_view named, Companion& companion,
                                std::string& where, std::string& why)
{
    companion = Companion();
    std::string const file = file_name_of(named, search.text);
    if (auto const outcome = from_archive(search, file, companion, where, why))
        return *outcome;
    std::string const folder = document_folder_of(search.document_path);
    if (!file.empty()) {
        if (auto const outcome = from_file(folder + file, companion, where, why))
            return *outcome;
    }
    std::string const own = document_stem_of(search.document_path) + ".mqx";
    if (own != file) {
        if (auto const outcome = from_file(folder + own, companion, where, why))
            return *outcome;
    }
    where = file;
    return CompanionOutcome::missing;
}

}  // namespace MQO
