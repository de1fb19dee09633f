// The action dialog a capture ends in, reached without the selection: the top window's picture
// it is given, the options that take the picture on with the text added in it, and the paint
// program missing.
#include "edit/text_dialog.h"
#include "fg_test.h"
#include "main_window_test.h"
#include "output/quality_dialog.h"
#include "shell/settings_file.h"
#include "ui/picture_box.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace
{

void closeQualityDialog()
{
    fgtest::answerWhenOpen<Tfrmcomp>([](Tfrmcomp& dialog) { dialog.close(); });
}

} // namespace

class TestActionDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void optionsGetThePictureWithText_data();
    void optionsGetThePictureWithText();
    void missingPaintProgramHasTheDialogsOwnMessage();
    void topWindowCapture();

private:
    std::unique_ptr<TForm1> form_;
    QTemporaryDir dir_;
};

void TestActionDialog::init()
{
    fgtest::showFramedMainWindow(form_);
}

void TestActionDialog::cleanup()
{
    fgtest::endMainWindow(form_);
}

void TestActionDialog::optionsGetThePictureWithText_data()
{
    QTest::addColumn<QString>("option");
    QTest::newRow("bitmap") << "Save as BITMAP";
    QTest::newRow("PNG") << "Save as PNG";
    QTest::newRow("JPEG") << "Save as JPEG";
}

// The working picture with the text added in the dialog is what reaches the file, and the picked
// option is picked again the next time.
void TestActionDialog::optionsGetThePictureWithText()
{
    QFETCH(QString, option);
    QImage piece(120, 80, QImage::Format_RGB32);
    piece.fill(qRgb(200, 220, 240));
    form_->Frmopt->setPicture(piece, piece.size());
    const QString path = dir_.filePath("piece." + option.right(3).toLower());
    fgtest::appChoosers().answers = {path};
    closeQualityDialog();
    QImage marked;
    fgtest::answerWhenOpen<TFrmopt>([&](TFrmopt& dialog) {
        fgtest::answerWhenOpen<TFrmtext>([](TFrmtext& text) {
            text.Edbox1->setText("Hi there");
            text.radred->setChecked(true);
            if (!qEnvironmentVariableIsEmpty("FG_SHOTS")) {
                fgtest::waitUntilOnScreen(text);
                fgtest::importRootWindow().save(qEnvironmentVariable("FG_SHOTS") +
                                                "/text-dialog.png");
            }
            QTest::mouseClick(text.BitBtn2, Qt::LeftButton);
        });
        QTest::mouseClick(dialog.cmdtext, Qt::LeftButton);
        marked = dialog.Image1->picture();
        fgtest::optionNamed(dialog, option)->setChecked(true);
        QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    });
    form_->Frmopt->runWithWorkingPicture();
    QVERIFY(marked != piece);
    QCOMPARE(form_->Image4, marked);
    const QImage written = QImage(path).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(written.size(), piece.size());
    if (!option.endsWith("JPEG"))
        QCOMPARE(fgtest::firstDifference(written, marked), QString());
    QVERIFY(fgtest::optionNamed(*form_->Frmopt, option)->isChecked());
}

void TestActionDialog::missingPaintProgramHasTheDialogsOwnMessage()
{
    form_->PaintProgramPath = dir_.filePath("no-such-paint-program");
    form_->Frmopt->OptionP->setChecked(true);
    form_->Image4 = QImage(5, 5, QImage::Format_RGB32);
    form_->Frmopt->ApplyCropOption();
    QCOMPARE(fgtest::appMessages().shown.size(), 1);
    QCOMPARE(fgtest::appMessages().shown[0].kind, MessageKind::Information);
    QCOMPARE(fgtest::appMessages().shown[0].text,
             QString("PC Paintbrush was not found in the default windows directory on your system. "
                     "Please find and copy the file mspaint.exe or pbrush.exe (PC Paintbrush) into "
                     "your windows directory on your system."));
    QVERIFY(!QFile::exists(form_->WorkDir + "/tempbitm.bmp"));
}

void TestActionDialog::topWindowCapture()
{
    QWidget target;
    target.setWindowTitle("fg top window target");
    QPalette look = target.palette();
    look.setColor(QPalette::Window, QColor(0, 128, 255));
    target.setPalette(look);
    target.setAutoFillBackground(true);
    target.setGeometry(40, 60, 220, 140);
    target.show();
    QVERIFY(QTest::qWaitForWindowExposed(&target));
    QProcess::execute("xdotool", {"windowactivate", "--sync", QString::number(target.winId())});
    QTRY_VERIFY(target.isActiveWindow());
    QVERIFY(fgtest::waitUntilOnScreen(target));
    const QImage mainBefore = form_->Image1->picture();
    form_->ChkDate->setChecked(true);

    QImage shown, unmarked, working;
    fgtest::answerWhenOpen<TFrmopt>([&](TFrmopt& dialog) {
        shown = dialog.Image1->picture();
        unmarked = dialog.Image3;
        working = form_->Image4;
        dialog.close();
    });
    form_->CmdTopWindowClick();
    QVERIFY(form_->isHidden());
    form_->Timer_For_Top_WindowTimer();
    QVERIFY(form_->isHidden());
    form_->Timer_For_Top_WindowTimer();
    QTRY_VERIFY(!shown.isNull());

    // the window as the X server knows it, grown by the frame the window manager put around it
    const QString id = QString::number(target.winId());
    const QString info = QString::fromUtf8(fgtest::runPeer("xwininfo", {"-id", id}));
    const auto number = [&](const QString& label) {
        const QRegularExpression pattern(label + ":\\s+(-?\\d+)");
        return pattern.match(info).captured(1).toInt();
    };
    const QStringList extents =
        QString::fromUtf8(fgtest::runPeer("xprop", {"-id", id, "_NET_FRAME_EXTENTS"}))
            .section('=', 1)
            .split(',');
    QCOMPARE(extents.size(), 4); // left, right, top, bottom
    const int left = extents[0].toInt(), right = extents[1].toInt(), top = extents[2].toInt(),
              bottom = extents[3].toInt();
    const QRect frame(number("Absolute upper-left X") - left, number("Absolute upper-left Y") - top,
                      number("Width") + left + right, number("Height") + top + bottom);
    const Edges rect = form_->TopWindowRect;
    QCOMPARE(QRect(rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top), frame);
    QVERIFY2(frame.height() > 140, "the title bar is part of it");
    // the window itself; its title bar changes colour as it loses the focus
    const QRect client(left, top, frame.width() - left - right, frame.height() - top - bottom);
    QCOMPARE(fgtest::firstDifference(
                 unmarked.copy(client),
                 fgtest::importRootWindow().copy(client.translated(frame.topLeft()))),
             QString());
    QCOMPARE(unmarked.pixel(client.center()), qRgb(0, 128, 255));
    QCOMPARE(working, unmarked);
    QVERIFY2(shown != unmarked, "the dialog's copy carries the date");
    QCOMPARE(shown.pixel(15, frame.height() - 25), qRgb(255, 255, 255));
    QCOMPARE(form_->Image4, shown); // after the dialog: the stamped picture
    QCOMPARE(form_->Image1->picture(), mainBefore);
    QVERIFY(form_->isVisible());
}

FG_TEST_MAIN(TestActionDialog)
#include "test_action_dialog.moc"
