#include "fg_test.h"

#include <QDir>
#include <QFile>
#include <QPushButton>

// Run from the program folder of an installation (test_installed_program.sh puts it there): the
// help buttons when no browser is set up for HTML, or when the document is missing.
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

// A browser set up for HTML in the test's own folders, which notes what it was given.
QString setUpBrowser(bool present)
{
    const QString data = qEnvironmentVariable("XDG_DATA_HOME") + "/applications";
    const QString list = qEnvironmentVariable("XDG_CONFIG_HOME") + "/mimeapps.list";
    const QString record = data + "/given";
    QFile::remove(data + "/stand-in.desktop");
    QFile::remove(list);
    QFile::remove(record);
    if (!present)
        return record;
    QDir().mkpath(data);
    QFile script(data + "/stand-in");
    script.open(QIODevice::WriteOnly);
    script.write("#!/bin/sh\necho \"$1\" > '" + record.toUtf8() + "'\n");
    script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    QFile entry(data + "/stand-in.desktop");
    entry.open(QIODevice::WriteOnly);
    entry.write("[Desktop Entry]\nType=Application\nName=Stand-in\nExec=" +
                script.fileName().toUtf8() + " %f\nMimeType=text/html;\n");
    QFile defaults(list);
    defaults.open(QIODevice::WriteOnly);
    defaults.write("[Default Applications]\ntext/html=stand-in.desktop\n");
    return record;
}

} // namespace

void TestHelpDocuments::failureIsShown_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("browser");
    QTest::addColumn<QString>("removed"); // a document taken away first
    QTest::addColumn<QString>("message");
    QTest::newRow("help, no browser") << "Help" << false << "" << HelpMessage;
    QTest::newRow("downloads, no browser")
        << "Software Downloads" << false << ""
        << "You cannot view this file because you do not have a default web browser setup. You "
           "can still view this file by opening your web browser and pointing to the file "
           "download.html which is located in your install directory, or view online "
           "at " FG_HOMEPAGE;
    QTest::newRow("help, no readme") << "Help" << true << "readme.html" << HelpMessage;
}

void TestHelpDocuments::failureIsShown()
{
    QFETCH(QString, button);
    QFETCH(bool, browser);
    QFETCH(QString, removed);
    QFETCH(QString, message);
    const QString documents = QCoreApplication::applicationDirPath() + "/../share/framegrove/";
    QVERIFY2(QFile::exists(documents + "download.html"), "run from an installation's bin folder");
    const QString record = setUpBrowser(browser);
    if (!removed.isEmpty())
        QVERIFY(QFile::remove(documents + removed));

    TForm1 form(fgtest::services());
    form.showCentred();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QPushButton* pressed = button == "Help" ? form.cmdhelpl : form.Button2;
    QCOMPARE(pressed->text(), button);
    QTest::mouseClick(pressed, Qt::LeftButton);

    QCOMPARE(fgtest::appMessages().shown.size(), 1);
    QCOMPARE(fgtest::appMessages().shown[0].kind, MessageKind::Plain);
    QCOMPARE(fgtest::appMessages().shown[0].text, message);
    QTest::qWait(300); // time for a browser that should not have started
    QVERIFY(!QFile::exists(record));
}

FG_TEST_MAIN(TestHelpDocuments)
#include "test_help_documents.moc"
