// Every window used from the keyboard alone, as a person without a mouse would.
#include "capture/delay_dialog.h"
#include "edit/action_dialog.h"
#include "edit/text_dialog.h"
#include "fg_test.h"
#include "output/quality_dialog.h"
#include "output/save_operations.h"
#include "shell/main_window.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>

namespace
{

struct TitleBar {
    int functions = -1, decorations = -1; // what the window asks for (_MOTIF_WM_HINTS)
    QString allowed;                      // what the window manager then allows
};

TitleBar titleBarOf(const QWidget& window)
{
    const QString id = QString::number(window.winId());
    const QByteArray hints = fgtest::runPeer("xprop", {"-id", id, "_MOTIF_WM_HINTS"});
    const QList<QByteArray> fields = hints.mid(hints.indexOf('=') + 1).split(',');
    TitleBar bar;
    if (fields.size() > 2) {
        bar.functions = fields[1].trimmed().toInt(nullptr, 0);
        bar.decorations = fields[2].trimmed().toInt(nullptr, 0);
    }
    bar.allowed =
        QString::fromLatin1(fgtest::runPeer("xprop", {"-id", id, "_NET_WM_ALLOWED_ACTIONS"}));
    return bar;
}

// The window manager has put its frame around the window.
bool framed(const QWidget& window)
{
    return window.frameGeometry() != window.geometry();
}

bool centred(const QWidget& window)
{
    const QPoint screenCentre = QGuiApplication::primaryScreen()->geometry().center();
    return (window.frameGeometry().center() - screenCentre).manhattanLength() <= 4;
}

// the minimise and maximise bits of the functions and of the decorations
constexpr int MinMaxFunctions = 8 | 16, MinMaxDecorations = 32 | 64;

QString accessibleName(QWidget* input)
{
    return QAccessible::queryAccessibleInterface(input)->text(QAccessible::Name);
}

} // namespace

class TestKeyboard : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void delayFieldReadsWhatIsTyped_data();
    void delayFieldReadsWhatIsTyped();
    void qualityBarFromTheKeyboard();
    void enterClicksTheFocusedButton();
    void dialogsOpenWithTheFocusWhereTypingGoes();
    void fixedDialogsAndMessagesOfferNoMinimiseOrMaximise();

private:
    std::unique_ptr<TForm1> form_;
};

void TestKeyboard::init()
{
    form_ = std::make_unique<TForm1>(fgtest::services());
    form_->showCentred();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void TestKeyboard::cleanup()
{
    fgtest::cancelPendingAnswers();
    form_.reset();
}

void TestKeyboard::delayFieldReadsWhatIsTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("seconds");
    QTest::newRow("in range") << "25" << 25;
    QTest::newRow("zero") << "0" << 1;
    QTest::newRow("too many") << "500" << 360;
    QTest::newRow("far too many") << "99999999999999999999" << 360;
    QTest::newRow("empty") << "" << 1;
    QTest::newRow("not a number") << "ten" << 1;
}

// Typed, then Enter at once: the capture is armed with the seconds read from the text.
void TestKeyboard::delayFieldReadsWhatIsTyped()
{
    QFETCH(QString, typed);
    QFETCH(int, seconds);
    QString name;
    fgtest::answerWhenOpen<TFrmmenus>([&](TFrmmenus& dialog) {
        name = accessibleName(dialog.EdSeconds);
        dialog.EdSeconds->setFocus();
        QTest::keyClick(dialog.EdSeconds, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(dialog.EdSeconds, Qt::Key_Delete);
        QTest::keyClicks(dialog.EdSeconds, typed);
        QTest::keyClick(dialog.EdSeconds, Qt::Key_Return);
    });
    form_->Button3Click();
    QVERIFY(form_->Timer1->isActive());
    form_->Timer1->stop();
    QCOMPARE(form_->WaitTicks, qint16(seconds));
    QCOMPARE(name, QString("Number of seconds to delay before capturing new screen:"));
}

void TestKeyboard::qualityBarFromTheKeyboard()
{
    QList<int> steps;
    fgtest::answerWhenOpen<Tfrmcomp>([&](Tfrmcomp& dialog) {
        QCOMPARE(dialog.focusWidget(), dialog.ScrollBar1);
        for (Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_Left, Qt::Key_PageUp,
                            Qt::Key_PageDown, Qt::Key_PageDown}) {
            const int before = dialog.Lblnumber->text().toInt();
            QTest::keyClick(dialog.ScrollBar1, key);
            steps.append(dialog.Lblnumber->text().toInt() - before);
        }
        QTest::keyClick(dialog.ScrollBar1, Qt::Key_Return); // "Ok"
    });
    const int start = form_->frmcomp->ScrollBar1->value();
    const int chosen = form_->saves->ShowJpegQualityDialog();
    QVERIFY(!form_->frmcomp->isVisible());
    QCOMPARE(steps, QList<int>({1, -1, -1, 1, -1, -1}));
    QCOMPARE(chosen, start - 2);
    QCOMPARE(accessibleName(form_->frmcomp->ScrollBar1), QString("JPEG Compression Options"));
}

void TestKeyboard::enterClicksTheFocusedButton()
{
    form_->Button5->setFocus();
    QTest::keyClick(form_->Button5, Qt::Key_Return);
    QCOMPARE(fgtest::appMessages().shown.size(), 1);
    QVERIFY(fgtest::appMessages().shown[0].text.contains("grayscale"));
}

// The text dialog opens with the text box focused whatever was clicked last time; the action
// dialog with the option picked last.
void TestKeyboard::dialogsOpenWithTheFocusWhereTypingGoes()
{
    TFrmtext& text = *form_->Frmtext;
    fgtest::answerWhenOpen<TFrmtext>([](TFrmtext& dialog) {
        dialog.radblue->setFocus();
        dialog.radblue->click();
        dialog.close();
    });
    text.exec();
    fgtest::answerWhenOpen<TFrmtext>([](TFrmtext& dialog) {
        QTest::keyClicks(dialog.focusWidget(), "hello");
        dialog.close();
    });
    text.exec();
    QCOMPARE(text.Edbox1->text(), QString("hello"));
    QVERIFY(!accessibleName(text.Edbox1).isEmpty());

    form_->Frmopt->OptionPNG->setChecked(true);
    QWidget* focused = nullptr;
    fgtest::answerWhenOpen<TFrmopt>([&](TFrmopt& dialog) {
        focused = dialog.focusWidget();
        dialog.close();
    });
    form_->Frmopt->exec();
    QCOMPARE(focused, form_->Frmopt->OptionPNG);
}

void TestKeyboard::fixedDialogsAndMessagesOfferNoMinimiseOrMaximise()
{
    TitleBar dialogBar, boxBar;
    QPoint boxCentre;
    fgtest::answerWhenOpen<TFrmmenus>([&](TFrmmenus& dialog) {
        QVERIFY(QTest::qWaitFor([&] { return framed(dialog); }));
        dialogBar = titleBarOf(dialog);
        if (!qEnvironmentVariableIsEmpty("FG_SHOTS"))
            fgtest::importRootWindow().save(qEnvironmentVariable("FG_SHOTS") + "/delay.png");
        dialog.close();
    });
    form_->Button3Click();
    fgtest::answerWhenOpen<QMessageBox>([&](QMessageBox& box) {
        // framed by the window manager, and centred then
        QVERIFY(QTest::qWaitFor([&] { return framed(box) && centred(box); }));
        boxBar = titleBarOf(box);
        if (!qEnvironmentVariableIsEmpty("FG_SHOTS"))
            fgtest::importRootWindow().save(qEnvironmentVariable("FG_SHOTS") + "/box.png");
        boxCentre = box.frameGeometry().center();
        box.accept();
    });
    BoxMessages().show(MessageKind::Information,
                       "PC Paintbrush was not found in the default windows directory on your "
                       "system. Please find and copy PC Paintbrush (pbrush.exe or mspaint.exe) "
                       "into your windows directory on your system, then run this option again.");
    for (const TitleBar& bar : {dialogBar, boxBar}) {
        QVERIFY(bar.functions > 0 && bar.decorations > 0);
        QCOMPARE(bar.functions & MinMaxFunctions, 0);
        QCOMPARE(bar.decorations & MinMaxDecorations, 0);
        QVERIFY2(bar.allowed.contains("CLOSE") && !bar.allowed.contains("MAXIMIZE"),
                 qPrintable(bar.allowed));
    }
    const QPoint screenCentre = QGuiApplication::primaryScreen()->geometry().center();
    QVERIFY2((boxCentre - screenCentre).manhattanLength() <= 4,
             qPrintable(QString("%1,%2").arg(boxCentre.x()).arg(boxCentre.y())));
}

FG_TEST_MAIN(TestKeyboard)
#include "test_keyboard.moc"
