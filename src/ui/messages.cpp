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

} // namespace

void BoxMessages::show(MessageKind kind, const QString& text)
{
    const BoxLook look = lookOf(kind);
    QMessageBox box(look.icon, look.caption, text, QMessageBox::Ok);
    box.adjustSize();
    centreOnScreen(box);
    box.exec();
}
