#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <atomic>
#include <mutex>

namespace fgtest
{

// How the stand-in portal answers a Screenshot request.
struct PortalScript {
    QString forgedFile;     // another client answers before the portal, naming this file
    bool ownHandle = false; // the portal names a Request object of its own, as older ones did
    uint response = 0;
    QString file; // the file the portal names
};

// The desktop's screenshot portal as the program sees it, on the bus at `address`, answering as
// `script` says. It serves from a thread of its own, since the program's request blocks the
// thread that made it: move it there before serve().
class StandInPortal : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
public:
    explicit StandInPortal(const QString& address);
    ~StandInPortal() override;
    bool serve();

    PortalScript script;
    // Held, a request is answered only when answerHeld() is called, after asked() told of it:
    // the portal of a desktop that waits for the person.
    std::atomic<bool> hold{false};
    std::atomic<int> requests{0};
    // Sends the answer of the request held last (from any thread).
    void answerHeld();

Q_SIGNALS:
    void asked();

public Q_SLOTS:
    QDBusObjectPath Screenshot(const QString& parent, const QVariantMap& options);

private:
    QDBusConnection bus_;
    QDBusConnection forger_;
    std::mutex heldLock_;
    QString heldHandle_;
};

} // namespace fgtest
