#include "stand_in_portal.h"

#include <QDBusMessage>
#include <QTimer>
#include <QUrl>

namespace fgtest
{

namespace
{

QDBusMessage response(const QString& path, uint code, const QString& file)
{
    QDBusMessage signal =
        QDBusMessage::createSignal(path, "org.freedesktop.portal.Request", "Response");
    QVariantMap results;
    if (!file.isEmpty())
        results.insert("uri", QUrl::fromLocalFile(file).toString());
    return signal << code << results;
}

} // namespace

StandInPortal::StandInPortal(const QString& address)
    : bus_(QDBusConnection::connectToBus(address, "stand-in portal")),
      forger_(QDBusConnection::connectToBus(address, "forger"))
{
}

StandInPortal::~StandInPortal()
{
    QDBusConnection::disconnectFromBus("stand-in portal");
    QDBusConnection::disconnectFromBus("forger");
}

bool StandInPortal::serve()
{
    return bus_.registerObject("/org/freedesktop/portal/desktop", this,
                               QDBusConnection::ExportAllSlots) &&
           bus_.registerService("org.freedesktop.portal.Desktop");
}

void StandInPortal::answerHeld()
{
    const std::lock_guard<std::mutex> held(heldLock_);
    bus_.send(response(heldHandle_, script.response, script.file));
}

QDBusObjectPath StandInPortal::Screenshot(const QString& /*parent*/, const QVariantMap& options)
{
    ++requests;
    QString caller = message().service().mid(1);
    caller.replace('.', '_');
    const QString expected = "/org/freedesktop/portal/desktop/request/" + caller + "/" +
                             options.value("handle_token").toString();
    const QString handle =
        script.ownHandle ? "/org/freedesktop/portal/desktop/request/old/1" : expected;
    setDelayedReply(true);
    bus_.send(message().createReply(QVariant::fromValue(QDBusObjectPath(handle))));
    if (hold) {
        {
            const std::lock_guard<std::mutex> held(heldLock_);
            heldHandle_ = handle;
        }
        Q_EMIT asked();
        return {};
    }
    if (script.forgedFile.isEmpty()) {
        bus_.send(response(handle, script.response, script.file));
        return {};
    }
    forger_.send(response(expected, 0, script.forgedFile));
    // the portal answers when the program has had the forgery for a while
    QTimer::singleShot(
        500, this, [this, handle] { bus_.send(response(handle, script.response, script.file)); });
    return {};
}

} // namespace fgtest
