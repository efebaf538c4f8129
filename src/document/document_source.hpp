// A document mapped read-only into memory, whole, and guarded against the
// file shrinking while it is mapped.
#ifndef MIVKA_DOCUMENT_DOCUMENT_SOURCE_HPP
#define MIVKA_DOCUMENT_DOCUMENT_SOURCE_HPP

#include <boost/shared_ptr.hpp>

#include <cstddef>
#include <string>

namespace MQO {

class MappedView;

// The mapped bytes and the two positions around them. Copies share the view;
// it is unmapped when the last copy goes. A default-constructed source, or
// one whose file could not be opened, is invalid.
class DocumentSource
{
public:
    DocumentSource() = default;

    // Maps the regular file at `path` (a narrow file name, used unchanged).
    // Missing, unreadable, empty or non-regular files give an invalid source.
    static DocumentSource open(std::string const& path);

    bool valid() const { return view_ != nullptr; }
    const char* begin() const { return begin_; }
    const char* end() const { return begin_ + size_; }
    std::size_t size() const { return size_; }

    // Whether the file shrank under the mapping while it was read (another
    // program saved over it). The pages that went away read as zero bytes
    // from then on, instead of ending the process.
    bool cut_short() const;

private:
    boost::shared_ptr<MappedView> view_;
    const char* begin_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace MQO

#endif
