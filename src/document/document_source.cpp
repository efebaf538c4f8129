#include "document/document_source.hpp"

#include <boost/make_shared.hpp>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <limits>

namespace MQO {

class MappedView
{
public:
    MappedView(void* address, std::size_t size) : address_(address), size_(size) {}
    ~MappedView() { ::munmap(address_, size_); }
    MappedView(MappedView const&) = delete;
    MappedView& operator=(MappedView const&) = delete;

private:
    void* address_;
    std::size_t size_;
};

namespace {

// Closes the descriptor on every way out; the mapping outlives it.
struct FileHandle
{
    int fd;
    ~FileHandle()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

}  // namespace

DocumentSource DocumentSource::open(std::string const& path)
{
    DocumentSource source;
    // A path with a NUL byte inside would name a different file.
    if (path.find('\0') != std::string::npos)
        return source;

    // Non-blocking, so that a FIFO cannot hang the host; only regular files
    // are mapped.
    FileHandle file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    if (file.fd < 0)
        return source;

    struct stat info;
    if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0)
        return source;
    if (static_cast<unsigned long long>(info.st_size) > std::numeric_limits<std::size_t>::max())
        return source;
    std::size_t const size = static_cast<std::size_t>(info.st_size);

    void* address = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.fd, 0);
    if (address == MAP_FAILED)
        return source;
    ::madvise(address, size, MADV_SEQUENTIAL);

    try {
        source.view_ = boost::make_shared<MappedView>(address, size);
    } catch (...) {
        ::munmap(address, size);
        throw;
    }
    source.begin_ = static_cast<const char*>(address);
    source.size_ = size;
    return source;
}

}  // namespace MQO
