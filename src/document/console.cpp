#include "document/console.hpp"

#include <iostream>

namespace MQO {

namespace {
std::ostream* console_stream = nullptr;
}

std::ostream& console()
{
    return console_stream ? *console_stream : std::cout;
}

void redirect_console(std::ostream* stream)
{
    console_stream = stream;
}

void echo_unreadable(const char* first, const char* last)
{
    std::ptrdiff_t const available = last - first;
    std::streamsize const count = available < 20 ? available : 20;
    console().write(first, count);
}

}  // namespace MQO
