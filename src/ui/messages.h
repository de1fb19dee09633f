#pragma once

#include <QString>

// The kinds of message box the program shows; each has one OK button.
enum class MessageKind {
    Information, // information icon, standard caption
    Warning,     // warning icon, standard caption
    Question,    // question icon, standard caption
    Plain,       // no icon, the application title as caption
    Error,       // the application-wide error report: error icon, application title
};

// Every message to the user goes through here, so that a test can read what was said.
class Messages
{
public:
    virtual ~Messages() = default;
    virtual void show(MessageKind kind, const QString& text) = 0;
};

// Real modal message boxes, centred on the screen.
class BoxMessages : public Messages
{
public:
    void show(MessageKind kind, const QString& text) override;
};

// The application title, shown in the task bar and on plain message boxes.
inline const QString ApplicationTitle = QStringLiteral("Framegrove Screen Capture");
