#include "ui/application.h"

#include "ui/handlers.h"
#include "ui/messages.h"

#include <QFont>

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
    // the handlers catch their own failures; this is the last net for any event handler else
    bool handled = false;
    runHandler(messages_, [&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
