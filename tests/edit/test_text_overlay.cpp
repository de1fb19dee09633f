#include "edit/action_dialog.h"
#include "edit/text_dialog.h"
#include "fg_test.h"
#include "shell/main_window.h"
#include "ui/picture_box.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace
{

const QRgb Ground = qRgb(10, 140, 60);

QImage groundPicture(QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Ground);
    return picture;
}

// The pixels that differ from the ground, as a rectangle, and which colours they have.
struct Marks {
    QRect area;
    QSet<QRgb> colours;
};

Marks marksOn(const QImage& picture)
{
    Marks marks;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (picture.pixel(x, y) != Ground) {
                marks.area |= QRect(x, y, 1, 1);
                marks.colours.insert(picture.pixel(x, y) & 0xFFFFFF);
            }
    return marks;
}

// Fills in the text dialog once it is open and leaves it the way `finish` says.
void answerTextDialog(const std::function<void(TFrmtext&)>& fill,
                      const std::function<void(TFrmtext&)>& finish)
{
    QTimer::singleShot(0, [=] {
        auto* dialog = qobject_cast<TFrmtext*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        fill(*dialog);
        finish(*dialog);
    });
}

void pressOk(TFrmtext& dialog)
{
    QTest::mouseClick(dialog.BitBtn2, Qt::LeftButton);
}

} // namespace

class TestTextOverlay : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void closeBoxBeforeAnyOkDrawsDefaultSizeInBlack();
    void defaultsStartAtQuarterAndBottom();
    void threeQuartersAndMiddle();
    void colours_data();
    void colours();
    void transparentLeavesThePictureBetweenLetters();
    void trimmedWordAlone();
    void emptyTextWarnsAndDrawsNothing();
    void cancelEmptiesAndUnmarks_data();
    void cancelEmptiesAndUnmarks();
    void secondTextReplacesTheFirst();

private:
    std::unique_ptr<TForm1> form_;
};

void TestTextOverlay::init()
{
    // every test starts as a fresh run: no OK pressed yet
    form_ = std::make_unique<TForm1>(fgtest::services());
    form_->Frmopt->setPicture(groundPicture(QSize(400, 200)), QSize(400, 200));
}

void TestTextOverlay::cleanup()
{
    form_.reset();
}

// Before any OK of the run: size 0 (the face's own height) and black.
void TestTextOverlay::closeBoxBeforeAnyOkDrawsDefaultSizeInBlack()
{
    QCOMPARE(form_->Frmtext->TextSize, 0);
    answerTextDialog([](TFrmtext& d) { d.Edbox1->setText("  typed  "); },
                     [](TFrmtext& d) { d.close(); });
    form_->Frmopt->cmdtextClick();
    QCOMPARE(form_->Frmtext->Edbox1->text(), QString("  typed  ")); // not trimmed
    const Marks marks = marksOn(form_->Frmopt->Image1->picture());
    QVERIFY(marks.colours.contains(0x000000));
    QVERIFY(marks.colours.contains(0xFFFFFF)); // on its white cell
}

void TestTextOverlay::defaultsStartAtQuarterAndBottom()
{
    answerTextDialog([](TFrmtext& d) { d.Edbox1->setText("Hello"); }, pressOk);
    form_->Frmopt->cmdtextClick();
    QCOMPARE(form_->Frmopt->TextX, 100);
    QCOMPARE(form_->Frmopt->TextY, 170);
    QCOMPARE(form_->Frmtext->TextSize, 8);
    QCOMPARE(form_->Frmtext->TextColor, 0);
    const Marks marks = marksOn(form_->Frmopt->Image1->picture());
    QCOMPARE(marks.area.topLeft(), QPoint(100, 170));
    QCOMPARE(marks.colours, (QSet<QRgb>{0x000000, 0xFFFFFF}));
    QVERIFY(marks.area.height() >= 11 && marks.area.height() <= 16); // 8 points at 96 dpi
}

void TestTextOverlay::threeQuartersAndMiddle()
{
    answerTextDialog(
        [](TFrmtext& d) {
            d.Edbox1->setText("Hi");
            d.rad75->setChecked(true);
            d.radmid->setChecked(true);
        },
        pressOk);
    form_->Frmopt->cmdtextClick();
    QCOMPARE(QPoint(form_->Frmopt->TextX, form_->Frmopt->TextY), QPoint(300, 100));
    QCOMPARE(marksOn(form_->Frmopt->Image1->picture()).area.topLeft(), QPoint(300, 100));
}

void TestTextOverlay::colours_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<qint32>("bgr");
    QTest::addColumn<QRgb>("rgb");
    QTest::addColumn<int>("size");
    QTest::newRow("red, small") << "radred" << qint32(0x0000FF) << QRgb(0xFF0000) << 8;
    QTest::newRow("blue, medium") << "radblue" << qint32(0xFF0000) << QRgb(0x0000FF) << 10;
    QTest::newRow("black, large") << "radblack" << qint32(0x000000) << QRgb(0x000000) << 12;
    QTest::newRow("green") << "radgreen" << qint32(0x008000) << QRgb(0x008000) << 8;
    QTest::newRow("navy") << "radnavy" << qint32(0x800000) << QRgb(0x000080) << 8;
    QTest::newRow("aqua") << "radaqua" << qint32(0xFFFF00) << QRgb(0x00FFFF) << 8;
}

void TestTextOverlay::colours()
{
    QFETCH(QString, radio);
    QFETCH(qint32, bgr);
    QFETCH(QRgb, rgb);
    QFETCH(int, size);
    answerTextDialog(
        [=](TFrmtext& d) {
            d.Edbox1->setText("Colour");
            QRadioButton* colour = d.findChild<QRadioButton*>(radio);
            QVERIFY(colour);
            colour->setChecked(true);
            (size == 8 ? d.radsmall : size == 10 ? d.radmedium : d.radlarge)->setChecked(true);
        },
        pressOk);
    form_->Frmopt->cmdtextClick();
    QCOMPARE(form_->Frmtext->TextColor, bgr);
    QCOMPARE(form_->Frmtext->TextSize, size);
    QVERIFY(marksOn(form_->Frmopt->Image1->picture()).colours.contains(rgb));
}

void TestTextOverlay::transparentLeavesThePictureBetweenLetters()
{
    answerTextDialog(
        [](TFrmtext& d) {
            d.Edbox1->setText("See through");
            d.radred->setChecked(true);
            d.Chktransparent->setChecked(true);
        },
        pressOk);
    form_->Frmopt->cmdtextClick();
    QCOMPARE(marksOn(form_->Frmopt->Image1->picture()).colours, QSet<QRgb>{0xFF0000});
}

void TestTextOverlay::trimmedWordAlone()
{
    answerTextDialog([](TFrmtext& d) { d.Edbox1->setText(" \t word \n"); }, pressOk);
    form_->Frmopt->cmdtextClick();
    QCOMPARE(form_->Frmtext->Edbox1->text(), QString("word"));
    answerTextDialog([](TFrmtext&) {}, pressOk); // OK again draws "word" alone
    form_->Frmopt->cmdtextClick();
    QCOMPARE(marksOn(form_->Frmopt->Image1->picture()).area.topLeft(), QPoint(100, 170));
}

void TestTextOverlay::emptyTextWarnsAndDrawsNothing()
{
    form_->Frmtext->TextSize = 10;
    answerTextDialog(
        [](TFrmtext& d) {
            d.Edbox1->setText("   ");
            d.radlarge->setChecked(true);
        },
        pressOk);
    form_->Frmopt->cmdtextClick();
    QVERIFY(form_->Frmtext->isHidden());
    QCOMPARE(form_->Frmtext->TextSize, 10);
    QCOMPARE(fgtest::appMessages().shown.size(), 1);
    QCOMPARE(fgtest::appMessages().shown[0].kind, MessageKind::Warning);
    QCOMPARE(fgtest::appMessages().shown[0].text, QString("You have not entered any text."));
    QVERIFY(marksOn(form_->Frmopt->Image1->picture()).area.isEmpty());
    form_->Frmtext->radsmall->setChecked(true);
}

void TestTextOverlay::cancelEmptiesAndUnmarks_data()
{
    QTest::addColumn<bool>("byEscape");
    QTest::newRow("Cancel") << false;
    QTest::newRow("Escape") << true;
}

void TestTextOverlay::cancelEmptiesAndUnmarks()
{
    QFETCH(bool, byEscape);
    answerTextDialog([](TFrmtext& d) { d.Edbox1->setText("first"); }, pressOk);
    form_->Frmopt->cmdtextClick();
    QVERIFY(!marksOn(form_->Frmopt->Image1->picture()).area.isEmpty());
    answerTextDialog([](TFrmtext&) {},
                     [=](TFrmtext& d) {
                         if (byEscape)
                             QTest::keyClick(&d, Qt::Key_Escape);
                         else
                             QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
                     });
    form_->Frmopt->cmdtextClick();
    QCOMPARE(form_->Frmtext->Edbox1->text(), QString());
    QVERIFY(marksOn(form_->Frmopt->Image1->picture()).area.isEmpty());
}

void TestTextOverlay::secondTextReplacesTheFirst()
{
    answerTextDialog(
        [](TFrmtext& d) {
            d.Edbox1->setText("first");
            d.radtop->setChecked(true);
        },
        pressOk);
    form_->Frmopt->cmdtextClick();
    answerTextDialog(
        [](TFrmtext& d) {
            d.Edbox1->setText("second");
            d.radbot->setChecked(true);
        },
        pressOk);
    form_->Frmopt->cmdtextClick();
    QCOMPARE(marksOn(form_->Frmopt->Image1->picture()).area.top(), 170);
    QVERIFY(marksOn(form_->Frmopt->Image3).area.isEmpty());
}

FG_TEST_MAIN(TestTextOverlay)
#include "test_text_overlay.moc"
