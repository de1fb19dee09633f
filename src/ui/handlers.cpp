#include "ui/handlers.h"

#include "ui/messages.h"

#include <exception>

void runHandler(Messages& messages, const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& failure) {
        messages.show(MessageKind::Error, QString::fromUtf8(failure.what()));
    }
}
