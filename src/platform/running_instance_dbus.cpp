#include "platform/running_instance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusReply>

namespace platform
{

namespace
{

// Every name on the bus comes from the application's id, the one that also names the installed
// service file: were they to differ, the bus would no longer start the program for a request.
const QString BusName = QStringLiteral(FG_APP_ID);
const QString ObjectPath =
    QLatin1Char('/') + QString(BusName).replace(QLatin1Char('.'), QLatin1Char('/'));
const QString Interface = BusName;
const QString RefusedError = BusName + QStringLiteral(".Error.Busy");
// long enough for a program busy painting, short enough for a person at a key
constexpr int AnswerTimeoutMs = 5000;

// The object on the bus: one method per capture.
class CaptureService : public QObject, protected QDBusContext
{
    Q_OBJECT
public:
    explicit CaptureService(RequestHandler handler) : handler_(std::move(handler)) {}

public Q_SLOTS:
    Q_SCRIPTABLE void Area() { serve(CaptureRequest::Area, 0); }
    Q_SCRIPTABLE void Window() { serve(CaptureRequest::Window, 0); }
    Q_SCRIPTABLE void Screen() { serve(CaptureRequest::Screen, 0); }
    Q_SCRIPTABLE void Delay(int seconds) { serve(CaptureRequest::Delay, seconds); }

private:
    void serve(CaptureRequest request, int seconds)
    {
        const QString refusal = handler_(request, seconds);
        if (!refusal.isEmpty())
            sendErrorReply(RefusedError, refusal);
    }

    RequestHandler handler_;
};

class DBusInstanceName : public InstanceName
{
public:
    DBusInstanceName(QDBusConnection bus, RequestHandler handler)
        : bus_(std::move(bus)), service_(std::move(handler))
    {
    }
    ~DBusInstanceName() override
    {
        if (!registered_)
            return;
        bus_.unregisterService(BusName);
        bus_.unregisterObject(ObjectPath);
    }

    bool claim()
    {
        if (!bus_.registerObject(ObjectPath, Interface, &service_,
                                 QDBusConnection::ExportScriptableSlots))
            return false;
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
            bus_.interface()->registerService(BusName, QDBusConnectionInterface::DontQueueService,
                                              QDBusConnectionInterface::DontAllowReplacement);
        registered_ =
            reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
        if (!registered_)
            bus_.unregisterObject(ObjectPath);
        return registered_;
    }

private:
    QDBusConnection bus_;
    CaptureService service_;
    bool registered_ = false;
};

QString methodFor(CaptureRequest request)
{
    switch (request) {
    case CaptureRequest::Area:
        return QStringLiteral("Area");
    case CaptureRequest::Window:
        return QStringLiteral("Window");
    case CaptureRequest::Screen:
        return QStringLiteral("Screen");
    case CaptureRequest::Delay:
        break;
    }
    return QStringLiteral("Delay");
}

} // namespace

std::unique_ptr<InstanceName> claimInstanceName(RequestHandler handler)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return nullptr;
    auto name = std::make_unique<DBusInstanceName>(bus, std::move(handler));
    if (!name->claim())
        return nullptr;
    return name;
}

HandOver handToRunningInstance(CaptureRequest request, int seconds)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return {HandOver::NoneRunning, {}};
    QDBusMessage call =
        QDBusMessage::createMethodCall(BusName, ObjectPath, Interface, methodFor(request));
    if (request == CaptureRequest::Delay)
        call << seconds;
    // the bus could start one for us (the service file), but then this start is that one
    call.setAutoStartService(false);
    const QDBusMessage reply = bus.call(call, QDBus::Block, AnswerTimeoutMs);
    if (reply.type() != QDBusMessage::ErrorMessage)
        return {HandOver::Taken, {}};
    // nobody holds the name (the bus tells it one way or the other)
    if (QDBusError(reply).type() == QDBusError::ServiceUnknown ||
        reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return {HandOver::NoneRunning, {}};
    if (reply.errorName() == RefusedError)
        return {HandOver::Refused, reply.errorMessage()};
    return {HandOver::Refused, QStringLiteral("the running Framegrove did not take the request: ") +
                                   reply.errorMessage()};
}

} // namespace platform

#include "running_instance_dbus.moc"
