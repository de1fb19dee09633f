#include "ui/messages.h"
#include "ui/window_look.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

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

// A message box settles its size only as it is shown, and its frame only some moments after, once
// the window manager has framed it (no event tells when): it is centred at both steps.
class CentredBox : public QMessageBox
{
public:
    CentredBox(const BoxLook& look, const QString& text)
        : QMessageBox(look.icon, look.caption, text, QMessageBox::Ok, nullptr, DialogTitleBar)
    {
        framed_.setInterval(20);
        connect(&framed_, &QTimer::timeout, this, [this] {
            if (frameGeometry() == geometry() && ++polls_ < 50)
                return;
            framed_.stop();
            centreOnScreen(*this);
        });
    }

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        centreOnScreen(*this);
        framed_.start();
    }

private:
    QTimer framed_;
    int polls_ = 0;
};

} // namespace

void BoxMessages::show(MessageKind kind, const QString& text)
{
    CentredBox box(lookOf(kind), text);
    box.exec();
}
