#include "ui/messages.h"
#include "ui/window_look.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace
{

struct BoxLook {
    QMessageBox::Icon icon;
    QString caption;
};

BoxLook lookOf(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Information:
        return {QMessageBox::Information, QStringLiteral("Information")};
    case MessageKind::Warning:
        return {QMessageBox::Warning, QStringLiteral("Warning")};
    case MessageKind::Question:
        return {QMessageBox::Question, QStringLiteral("Confirm")};
    case MessageKind::Error:
        return {QMessageBox::Critical, ApplicationTitle};
    case MessageKind::Plain:
        break;
    }
    return {QMessageBox::NoIcon, ApplicationTitle};
}

// A message box settles its size only as it is shown, so it is centred then.
class CentredBox : public QMessageBox
{
public:
    CentredBox(const BoxLook& look, const QString& text)
        : QMessageBox(look.icon, look.caption, text, QMessageBox::Ok, nullptr, DialogTitleBar)
    {
    }

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        centreOnScreen(*this);
    }
};

} // namespace

void BoxMessages::show(MessageKind kind, const QString& text)
{
    CentredBox box(lookOf(kind), text);
    box.exec();
}
