#pragma once

#include <QObject>
#include <functional>
#include <type_traits>

class Messages;

// Runs one handler. A failure it throws ends it at the failing step and its text is shown as the
// error report; nothing escapes, so no failure unwinds through Qt's signal dispatch.
void runHandler(Messages& messages, const std::function<void()>& handler);

// Calls the member `handler` of `receiver` with the signal's arguments, or with none of them. A
// function template of its own rather than a branch inside the connecting lambda, where clang
// checks the branch not taken as well.
template <typename Handler, typename Receiver, typename... Arguments>
void callHandler(Handler handler, Receiver* receiver, const Arguments&... arguments)
{
    if constexpr (std::is_invocable_v<Handler, Receiver*, const Arguments&...>)
        std::invoke(handler, receiver, arguments...);
    else
        std::invoke(handler, receiver);
}

// Connects `signal` of `sender` to the member `handler` of `receiver` through runHandler. The
// handler takes the signal's arguments, or none of them. The connection ends with the receiver.
template <typename Sender, typename Signal, typename Receiver, typename Handler>
QMetaObject::Connection connectHandler(Messages& messages, const Sender* sender, Signal signal,
                                       Receiver* receiver, Handler handler)
{
    return QObject::connect(
        sender, signal, receiver, [&messages, receiver, handler](const auto&... arguments) {
            runHandler(messages, [&] { callHandler(handler, receiver, arguments...); });
        });
}
