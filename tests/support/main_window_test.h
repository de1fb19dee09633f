#pragma once

// What tests of the main window and its dialogs share; only they include it.
#include "edit/action_dialog.h"
#include "shell/main_window.h"

#include <QGroupBox>
#include <QRadioButton>

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

} // namespace fgtest
