#include "fg_test.h"
#include "shell/main_window.h"

#include <QFile>
#include <QPushButton>

// Run from the program folder of an installation with no browser set up for HTML
// (test_installed_program.sh does that): each help button shows its own message.
class TestHelpDocuments : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void failureIsShown_data();
    void failureIsShown();
};

namespace
{

const QString HelpMessage = "You cannot view this file because you do not have a default web "
                            "browser setup. You can still view this file by opening your web "
                            "browser and pointing to the file readme.html which is located in "
                            "your install directory.";

} // namespace

void TestHelpDocuments::failureIsShown_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("message");
    QTest::newRow("help") << "Help" << HelpMessage;
    QTest::newRow("downloads")
        << "Software Downloads"
        << "You cannot view this file because you do not have a default web browser setup. You "
           "can still view this file by opening your web browser and pointing to the file "
           "download.html which is located in your install directory, or view online "
           "at " FG_HOMEPAGE;
}

void TestHelpDocuments::failureIsShown()
{
    QFETCH(QString, button);
    QFETCH(QString, message);
    QVERIFY2(QFile::exists(QCoreApplication::applicationDirPath() +
                           "/../share/framegrove/download.html"),
             "run from an installation's program folder");

    TForm1 form(fgtest::services());
    form.showCentred();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QPushButton* pressed = button == "Help" ? form.cmdhelpl : form.Button2;
    QCOMPARE(pressed->text(), button);
    QTest::mouseClick(pressed, Qt::LeftButton);

    QCOMPARE(fgtest::appMessages().shown.size(), 1);
    QCOMPARE(fgtest::appMessages().shown[0].kind, MessageKind::Plain);
    QCOMPARE(fgtest::appMessages().shown[0].text, message);
}

FG_TEST_MAIN(TestHelpDocuments)
#include "test_help_documents.moc"
