#include "ui/application.h"

#include "ui/messages.h"

#include <QFont>
#include <exception>

FgApplication::FgApplication(int& argc, char** argv, Messages& messages)
    : QApplication(argc, argv), messages_(messages)
{
    setApplicationName(ApplicationTitle);
    // the window faces of the design, where this desktop lacks them
    QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
}

bool FgApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& failure) {
        messages_.show(MessageKind::Error, QString::fromUtf8(failure.what()));
    }
    return false;
}
