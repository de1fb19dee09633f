#include "help/about_window.h"
#include "ui/handlers.h"
#include "ui/window_look.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace
{

QLabel* makeDisclaimer(QGroupBox* group, const QString& text, const QRect& place)
{
    return wrappedLabel(group, text, place, facePixels(QStringLiteral("Arial"), 12));
}

} // namespace

Tfrmdisc::Tfrmdisc(QWidget* owner, Messages& messages)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Framegrove "));
    setFixedSize(508, 336);
    fillBackground(*this, FormGray);

    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setGeometry(8, 8, 492, 284);

    Label1 = new QLabel(QStringLiteral("Framegrove %1, screen capture and more\n"
                                       "Copyright (C) 2026 The Framegrove developers\n"
                                       "Free software under the GNU General Public\n"
                                       "License, version 3 or later (GPL-3.0-or-later)")
                            .arg(QStringLiteral(FG_VERSION)),
                        Panel1);
    Label1->setFont(facePixels(QStringLiteral("Courier New"), 13));
    Label1->setGeometry(12, 8, 468, 66);

    GroupBox1 = new QGroupBox(QStringLiteral("Disclaimer"), Panel1);
    GroupBox1->setGeometry(10, 78, 472, 196);
    Label2 = makeDisclaimer(
        GroupBox1,
        QStringLiteral("This software is provided \"as is\", without warranty of any kind, "
                       "express or implied, including the warranties of merchantability and "
                       "fitness for a particular purpose. In no event shall its authors be "
                       "liable for any damages, direct or indirect, that arise from using it."),
        QRect(10, 22, 452, 62));
    Label3 = makeDisclaimer(
        GroupBox1,
        QStringLiteral("Should the software prove defective, your only remedy is to stop using "
                       "it; you bear the whole cost of any servicing, repair or correction."),
        QRect(10, 92, 452, 44));
    Label4 = makeDisclaimer(
        GroupBox1,
        QStringLiteral("By using this software, you are agreeing to these terms.  If these terms "
                       "are not agreeable, do not use this software."),
        QRect(10, 144, 452, 44));

    Button1 = new QPushButton(QStringLiteral("Return"), this);
    Button1->setGeometry(417, 301, 83, 27);
    Button1->setDefault(true);
    connectHandler(messages, Button1, &QPushButton::clicked, this, &Tfrmdisc::Button1Click);
    centreOnScreen(*this);
}

void Tfrmdisc::Button1Click()
{
    close();
}
