#include "document/document_source.hpp"

#include <boost/make_shared.hpp>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <limits>
#include <mutex>

namespace MQO {

namespace {

// While a document is mapped, a bus error inside its mapping (a page past
// the file's new end) is answered by putting a page of zeros in place of
// the missing one and noting that the file was cut short; the read that
// faulted then goes on. Any other bus error goes to the handler that was
// there before. The handler needs no allocation and no lock: the ranges sit
// in blocks that are only ever added at the front of a list, fully made
// before they are published, and never freed, so any number of documents
// may be mapped at once (by threads, or by conversions started from
// another's callbacks).
struct GuardedRange
{
    std::atomic<std::uintptr_t> first{0};
    std::atomic<std::uintptr_t> last{0};
    std::atomic<bool> cut_short{false};
};

struct GuardBlock
{
    GuardedRange ranges[16];
    GuardBlock* next = nullptr;
};

std::atomic<GuardBlock*> guard_blocks{nullptr};
std::size_t page_size = 4096;
struct sigaction previous_action;
std::mutex guard_lock;  // installs and removes; never taken by the handler
std::size_t guards_in_use = 0;

void on_bus_error(int signal, siginfo_t* info, void* context)
{
    // Only a fault of a read is answered here; a SIGBUS that a process sent
    // (kill, sigqueue) is never taken for one.
    if (info->si_code > 0) {
        std::uintptr_t const address = reinterpret_cast<std::uintptr_t>(info->si_addr);
        for (GuardBlock* block = guard_blocks.load(); block; block = block->next) {
            for (GuardedRange& range : block->ranges) {
                if (address < range.first.load() || address >= range.last.load())
                    continue;
                void* const page = reinterpret_cast<void*>(address & ~(std::uintptr_t(page_size) - 1));
                if (::mmap(page, page_size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) !=
                    MAP_FAILED) {
                    range.cut_short.store(true);
                    return;
                }
            }
        }
    }
    if ((previous_action.sa_flags & SA_SIGINFO) && previous_action.sa_sigaction) {
        previous_action.sa_sigaction(signal, info, context);
        return;
    }
    if (previous_action.sa_handler == SIG_IGN)
        return;
    if (previous_action.sa_handler != SIG_DFL) {
        previous_action.sa_handler(signal);
        return;
    }
    // Not ours, and nobody else's: the default action. A fault comes back
    // when the read is retried; a sent signal is sent again, and arrives
    // once this handler returns.
    ::signal(SIGBUS, SIG_DFL);
    if (info->si_code <= 0)
        ::raise(SIGBUS);
}

GuardedRange* free_range()
{
    for (GuardBlock* block = guard_blocks.load(); block; block = block->next) {
        for (GuardedRange& range : block->ranges) {
            if (range.last.load() == 0)
                return &range;
        }
    }
    GuardBlock* const block = new GuardBlock;
    block->next = guard_blocks.load();
    guard_blocks.store(block);
    return &block->ranges[0];
}

GuardedRange* guard(const char* begin, std::size_t size)
{
    std::lock_guard<std::mutex> const hold(guard_lock);
    GuardedRange* const slot = free_range();
    if (guards_in_use++ == 0) {
        long const page = ::sysconf(_SC_PAGESIZE);
        if (page > 0)
            page_size = std::size_t(page);
        struct sigaction action = {};
        action.sa_sigaction = on_bus_error;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &previous_action);
    }
    slot->cut_short.store(false);
    slot->first.store(reinterpret_cast<std::uintptr_t>(begin));
    slot->last.store(reinterpret_cast<std::uintptr_t>(begin) + size);
    return slot;
}

void unguard(GuardedRange* slot)
{
    std::lock_guard<std::mutex> const hold(guard_lock);
    slot->first.store(0);
    slot->last.store(0);
    if (--guards_in_use == 0)
        ::sigaction(SIGBUS, &previous_action, nullptr);
}

}  // namespace

class MappedView
{
public:
    // Takes over the descriptor, kept open to see whether the file shrank.
    MappedView(void* address, std::size_t size, int fd)
        : address_(address), size_(size), fd_(fd), guard_(guard(static_cast<const char*>(address), size))
    {
    }
    ~MappedView()
    {
        ::munmap(address_, size_);
        unguard(guard_);
        ::close(fd_);
    }
    MappedView(MappedView const&) = delete;
    MappedView& operator=(MappedView const&) = delete;

    // A page that went away, or a file now shorter than the mapping (whose
    // last page then reads as zeros past the new end without a fault).
    bool cut_short() const
    {
        if (guard_->cut_short.load())
            return true;
        struct stat info;
        return ::fstat(fd_, &info) == 0 && static_cast<unsigned long long>(info.st_size) < size_;
    }

private:
    void* address_;
    std::size_t size_;
    int fd_;
    GuardedRange* guard_;
};

namespace {

// Closes the descriptor on every way out until the view takes it over.
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
        source.view_ = boost::make_shared<MappedView>(address, size, file.fd);
    } catch (...) {
        ::munmap(address, size);
        throw;
    }
    file.fd = -1;
    source.begin_ = static_cast<const char*>(address);
    source.size_ = size;
    return source;
}

bool DocumentSource::cut_short() const
{
    return view_ && view_->cut_short();
}

}  // namespace MQO
