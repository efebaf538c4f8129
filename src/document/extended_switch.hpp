// Whether extended reading is on, asked once and then kept.
#ifndef MIVKA_DOCUMENT_EXTENDED_SWITCH_HPP
#define MIVKA_DOCUMENT_EXTENDED_SWITCH_HPP

#include <functional>
#include <utility>

namespace MQO {

// It is asked for only where the plain rules would stop (a newer header, a
// chunk, attribute or face part they do not know) or where a document
// holds what only extended reading builds (display settings, weights,
// newer material modes), once, and then kept: a document that holds none
// of these never asks.
class ExtendedSwitch
{
public:
    explicit ExtendedSwitch(std::function<bool()> ask) : ask_(std::move(ask)) {}
    static ExtendedSwitch fixed(bool on)
    {
        return ExtendedSwitch([on] { return on; });
    }

    bool on()
    {
        if (state_ < 0)
            state_ = ask_() ? 1 : 0;
        return state_ == 1;
    }
    bool known_on() const { return state_ == 1; }

private:
    std::function<bool()> ask_;
    int state_ = -1;
};

}  // namespace MQO

#endif
