#pragma once

#include <QObject>
#include <functional>
#include <type_traits>

class Messages;

// Runs one handler. A failure it throws ends it at the failing step and its text is shown as the
// error report; nothing escapes, so no failure unwinds through Qt's signal dispatch.
void runHandler(Messages& messages, const std::function<void()>& handler);

// Connects `signal` of `sender` to the member `handler` of `receiver` through runHandler. The
// handler takes the signal's arguments, or none of them. The connection ends with the receiver.
template <typename Sender, typename Signal, typename Receiver, typename Handler>
QMetaObject::Connection connectHandler(Messages& messages, const Sender* sender, Signal signal,
                                       Receiver* receiver, Handler handler)
{
    return QObject::connect(
        sender, signal, receiver, [&messages, receiver, handler](const auto&... arguments) {
            runHandler(messages, [&] {
                if constexpr (std::is_invocable_v<Handler, Receiver*, decltype(arguments)...>)
                    std::invoke(handler, receiver, arguments...);
                else
                    std::invoke(handler, receiver);
            });
        });
}
