#include "host/texture_files.hpp"

#include "document/console.hpp"
#include "document/image_headers.hpp"
#include "document/texture_paths.hpp"
#include "host/host.hpp"

// The whole library: later Boost keeps directory_iterator apart from the
// operations.
#include <boost/filesystem.hpp>
#include <boost/python/extract.hpp>

#include <fstream>
#include <limits>
#include <ostream>
#include <sstream>
#include <vector>

namespace MQO {

namespace python = boost::python;

namespace {

// Whether the file system has an entry (file or folder) at `path`. A name
// with a NUL byte inside, a name too long for the system, a loop of symbolic
// links and a folder we may not search name no file we can load; other
// failures of the query raise.
bool file_exists(std::string const& path)
{
    if (path.empty() || path.find('\0') != std::string::npos)
        return false;
    namespace errc = boost::system::errc;
    boost::system::error_code error;
    bool const found = boost::filesystem::exists(boost::filesystem::path(path), error);
    if (!error || error == errc::no_such_file_or_directory || error == errc::not_a_directory ||
        error == errc::filename_too_long || error == errc::too_many_symbolic_link_levels ||
        error == errc::permission_denied || error == errc::operation_not_permitted)
        return found;
    throw boost::filesystem::filesystem_error("boost::filesystem::exists", boost::filesystem::path(path), error);
}

bool is_relative(std::string const& file)
{
    return !file.empty() && file[0] != '/' && file[0] != '\\';
}

// What images may take once the host decodes them (four bytes a pixel, or
// four floats for high-range formats): Blender keeps every image of a scene
// whole in memory, and renders and exports copy them again. Real textures
// stay far below; a header of a few bytes can declare far more.
constexpr std::uint64_t image_side_limit = 16384;
constexpr std::uint64_t image_bytes_limit = std::uint64_t(1) << 30;
constexpr std::uint64_t document_image_bytes_limit = std::uint64_t(2) << 30;

}  // namespace

void report_unloadable(const char* slot_name, std::string const& path, std::string const& why)
{
    console() << "Unable to Load " << slot_name << '[' << Shown{path} << ']';
    if (!why.empty())
        console() << ": " << why;
    console() << '\n';
}

TextureFiles::TextureFiles(std::string document_folder)
    : document_folder_(std::move(document_folder)), decoded_bytes_left_(document_image_bytes_limit)
{
}

bool TextureFiles::fits(std::string const& path, std::string& why)
{
    if (fitted_.count(path) != 0)
        return true;
    std::optional<ImageSize> const size = declared_image_size(path);
    std::uint64_t const bytes = size ? size->decoded_bytes() : 0;
    std::ostringstream says;
    if (size && (size->width > image_side_limit || size->height > image_side_limit))
        says << "more than " << image_side_limit << " pixels on a side";
    else if (bytes > image_bytes_limit)
        says << "more than " << (image_bytes_limit >> 30) << " GiB decoded";
    else if (bytes > decoded_bytes_left_)
        says << "past the " << (document_image_bytes_limit >> 30) << " GiB that a document's images may take";
    if (!says.str().empty()) {
        why = std::to_string(size->width) + " x " + std::to_string(size->height) + " pixels, " + says.str();
        return false;
    }
    decoded_bytes_left_ -= bytes;
    fitted_.insert(path);
    return true;
}

TextureFiles::~TextureFiles()
{
    if (!unpacked_folder_.empty()) {
        boost::system::error_code ignored;
        boost::filesystem::remove_all(unpacked_folder_, ignored);
    }
}

bool TextureFiles::find(const char* slot_name, std::string const& file, std::string& path, bool& unpacked)
{
    unpacked = unpack(file, path);
    return unpacked || find_file(slot_name, file, path);
}

// The image file for a file text: as written, next to the document, or in
// the folder that the registry record holds for this kind of texture; in
// extended reading then in those folders by other names.
bool TextureFiles::find_file(const char* slot_name, std::string const& file, std::string& found) const
{
    if (file_exists(file)) {
        found = file;
        return true;
    }
    if (is_relative(file) && !document_folder_.empty()) {
        std::string const beside = join_texture_path(document_folder_, file, text_);
        if (file_exists(beside)) {
            found = beside;
            return true;
        }
    }
    std::vector<std::string> folders{document_folder_};
    std::string unloadable = file;
    if (host::registry_record().has_key(slot_name)) {
        std::string const folder = python::extract<std::string>(host::registry_record()[slot_name]);
        std::string const joined = join_texture_path(folder, file, text_);
        if (file_exists(joined)) {
            found = joined;
            return true;
        }
        folders.push_back(folder);
        unloadable = joined;
    }
    if (host::registry_flag("Extended") && found_elsewhere(file, folders, found)) {
        console() << "Found " << slot_name << '[' << Shown{file} << "] as " << Shown{found} << '\n';
        return true;
    }
    report_unloadable(slot_name, unloadable);
    return false;
}

namespace {

std::string lower_case(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return text;
}

std::string in_folder(std::string const& folder, std::string const& name)
{
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string own_name(std::string const& path)
{
    return path.substr(path.rfind('/') + 1);
}

}  // namespace

// The names of a folder's files by their spelling in lower case (empty
// where several share one), read once for the document: every texture not
// found looks in the same two folders. Nothing for a folder that cannot be
// read; folders of very many files are read no further than a bound.
std::unordered_map<std::string, std::string> const& TextureFiles::names_in(std::string const& folder) const
{
    auto const known = listings_.find(folder);
    if (known != listings_.end())
        return known->second;
    std::unordered_map<std::string, std::string>& names = listings_[folder];
    namespace fs = boost::filesystem;
    boost::system::error_code error;
    fs::directory_iterator entry(fs::path(folder.empty() ? std::string(".") : folder), error);
    for (int read = 0; !error && entry != fs::directory_iterator() && read < 100000; ++read) {
        std::string const name = entry->path().filename().string();
        auto const [at, added] = names.emplace(lower_case(name), name);
        if (!added)
            at->second.clear();
        entry.increment(error);
    }
    if (error)
        names.clear();
    return names;
}

// The one file of `folder` whose name is `name` but for letter case; none
// when there are several, or the folder cannot be read.
bool TextureFiles::one_in_any_case(std::string const& folder, std::string const& name, std::string& found) const
{
    std::unordered_map<std::string, std::string> const& names = names_in(folder);
    auto const match = names.find(lower_case(name));
    if (match == names.end() || match->second.empty())
        return false;
    found = in_folder(folder, match->second);
    return true;
}

// Documents made on Windows are unpacked elsewhere with their file names
// in UTF-8, name folders of their author's machine ("C:\\Users\\...",
// "..\\..\\textures\\..."), and Windows does not tell letter case apart.
// So, in the document's folder and the registry folder: the text converted
// to UTF-8; then the file's own name, as written and converted; each as
// named, then in any letter case where one file matches.
bool TextureFiles::found_elsewhere(std::string const& file, std::vector<std::string> const& folders,
                                   std::string& found) const
{
    // Empty where the text has no other spelling in UTF-8.
    std::string converted = utf8_of(file, code_page_).value_or(std::string());
    if (converted == file)
        converted.clear();
    std::vector<std::string> paths;
    if (!converted.empty() && is_relative(converted)) {
        for (std::string const& folder : folders)
            paths.push_back(join_texture_path(folder, converted, DoubleBytes::none));
    }
    std::vector<std::string> names{own_name(join_texture_path(std::string(), file, text_))};
    if (!converted.empty())
        names.push_back(own_name(join_texture_path(std::string(), converted, DoubleBytes::none)));
    for (std::string const& name : names) {
        if (name.empty() || name == "." || name == "..")
            continue;
        for (std::string const& folder : folders)
            paths.push_back(in_folder(join_texture_path(folder, std::string(), DoubleBytes::none), name));
    }
    for (std::string const& path : paths) {
        if (path.find('\0') != std::string::npos)
            continue;
        if (file_exists(path)) {
            found = path;
            return true;
        }
        std::string::size_type const slash = path.rfind('/');
        std::string const folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
        if (one_in_any_case(slash == 0 ? std::string("/") : folder, own_name(path), found))
            return true;
    }
    return false;
}

// A texture that the archive holds: unpacked into a folder of the finder's
// own (made on first need, removed with the finder), from which the host
// loads it; the host then keeps the image's bytes itself. Each member is
// unpacked once, however the document names it, and all of them together
// to no more than the archive's size allows the document.
bool TextureFiles::unpack(std::string const& file, std::string& found)
{
    if (archive_ == nullptr)
        return false;
    std::optional<std::uint64_t> const member = archive_->find(file);
    if (!member)
        return false;
    auto const known = unpacked_.find(*member);
    if (known != unpacked_.end()) {
        found = known->second;
        return true;
    }
    std::vector<char> bytes;
    std::string name;
    if (!archive_->unpack(*member, std::numeric_limits<std::size_t>::max(), bytes, name) || name.empty() ||
        name.find('\0') != std::string::npos || name == "." || name == "..")
        return false;
    if (unpacked_folder_.empty()) {
        boost::system::error_code error;
        boost::filesystem::path const folder =
            boost::filesystem::temp_directory_path(error) / boost::filesystem::unique_path("mivka-%%%%-%%%%-%%%%");
        if (error || !boost::filesystem::create_directory(folder, error) || error)
            return false;
        unpacked_folder_ = folder.string();
    }
    // Each in a folder of its own: members of one file name in different
    // folders stay apart (the host takes an image of a known path for the
    // one it already has).
    std::string const folder = unpacked_folder_ + "/" + std::to_string(unpacked_.size());
    boost::system::error_code error;
    boost::filesystem::create_directory(folder, error);
    if (error)
        return false;
    std::string const path = folder + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.close();
    if (!out)
        return false;
    unpacked_.emplace(*member, path);
    found = path;
    return true;
}

void TextureFiles::unpacked_loaded(std::string const& path)
{
    boost::system::error_code ignored;
    boost::filesystem::remove_all(boost::filesystem::path(path).parent_path(), ignored);
}

}  // namespace MQO
