#pragma once

// What tests of the main window and its dialogs share; only they include it.
#include "edit/action_dialog.h"
#include "fg_test.h"
#include "shell/main_window.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QSettings>
#include <QTest>
#include <memory>

namespace fgtest
{

// The action dialog's option of that caption, or none.
inline QRadioButton* optionNamed(TFrmopt& dialog, const QString& caption)
{
    for (QRadioButton* option : dialog.GroupBox1->findChildren<QRadioButton*>())
        if (option->text() == caption)
            return option;
    return nullptr;
}

// A main window for a test function, shown and framed by the window manager, so that what the
// test captures or places knows the frame.
inline void showFramedMainWindow(std::unique_ptr<TForm1>& form)
{
    form = std::make_unique<TForm1>(services());
    form->showCentred();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QTRY_VERIFY(form->frameGeometry() != form->geometry());
}

// Ends it with the answers its dialogs still wait for, and forgets the crop's last place, so
// that nothing of one test function meets the next.
inline void endMainWindow(std::unique_ptr<TForm1>& form)
{
    cancelPendingAnswers();
    form.reset();
    QSettings("Kelmar", "Framegrove").remove("Previous");
}

} // namespace fgtest
