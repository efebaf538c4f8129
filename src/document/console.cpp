#include "document/console.hpp"

#include <iostream>
#include <streambuf>

namespace MQO {

namespace {
std::ostream* console_stream = nullptr;
}

std::ostream& console()
{
    return console_stream ? *console_stream : std::cout;
}

std::ostream& discarding_stream()
{
    struct DiscardingBuffer : std::streambuf
    {
        int overflow(int c) override { return c; }
        std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
    };
    static DiscardingBuffer buffer;
    static std::ostream stream(&buffer);
    return stream;
}

void redirect_console(std::ostream* stream)
{
    console_stream = stream;
}

std::ostream& operator<<(std::ostream& out, Shown shown)
{
    constexpr std::size_t shown_bytes = 200;
    if (shown.text.size() <= shown_bytes)
        return out.write(shown.text.data(), std::streamsize(shown.text.size()));
    return out.write(shown.text.data(), shown_bytes) << "...";
}

namespace {

std::size_t echo_count = 0;

}  // namespace

std::size_t echoes_written()
{
    return echo_count;
}

void echo_unreadable(const char* first, const char* last)
{
    ++echo_count;
    std::ptrdiff_t const available = last - first;
    std::streamsize const count = available < 20 ? available : 20;
    console().write(first, count);
}

}  // namespace MQO
