#pragma once

#include <QApplication>

class Messages;

// The application object. Any failure that escapes an event handler ends that handler at the
// failing step and is shown to the user as a message box with the failure's text. Connected
// handlers catch their own (connectHandler); this is the last net for the rest.
class FgApplication : public QApplication
{
public:
    FgApplication(int& argc, char** argv, Messages& messages);
    bool notify(QObject* receiver, QEvent* event) override;

private:
    Messages& messages_;
};
