// The main window's small pieces of exact logic: recent-file order, header stamp, dialog filters,
// stored geometry.

#include "ScriptedDialogService.h"
#include "app/FileDialogFilter.h"
#include "app/HeaderStamp.h"
#include "app/RecentFileList.h"
#include "app/WindowGeometry.h"
#include "preferences/RegistryHandler.h"

#include <QTemporaryDir>
#include <QtTest>

class AppHelpersTest : public QObject {
    Q_OBJECT
private slots:
    void recentFilesKeepListedSpelling();
    void stampRecognisedIgnoringCase();
    void stampModifiedLine();
    void filterTranslation();
    void geometryFallBack_data();
    void geometryFallBack();
};

void AppHelpersTest::recentFilesKeepListedSpelling()
{
    // One file named two ways moves up with its listed spelling; names differing only in letter case
    // are one file on Windows and two files elsewhere.
    const QString a = QDir::cleanPath(QDir::tempPath() + "/Scripts/a.kix");
    RecentFileList list;
    list.add(a);
    list.add(QDir::tempPath() + "/Scripts/b.kix");
    list.add(QDir::tempPath() + "/Scripts/./sub/../a.kix");
    QCOMPARE(list.at(0), a);
    QVERIFY(list.at(2).isEmpty());
    list.add(QDir::tempPath() + "/SCRIPTS/A.kix");
#ifdef Q_OS_WIN
    QCOMPARE(list.at(0), a);
    QVERIFY(list.at(2).isEmpty());
#else
    QCOMPARE(list.at(0), QDir::tempPath() + "/SCRIPTS/A.kix");
    QCOMPARE(list.at(1), a);
    QVERIFY(!list.at(2).isEmpty());
#endif
}

void AppHelpersTest::stampRecognisedIgnoringCase()
{
    QString created = HeaderStamp::createdLine();
    QVERIFY(created.startsWith(";**** Created with Tessary Editor | "));
    QVERIFY(created.endsWith(" ****"));
    QVERIFY(HeaderStamp::isStamp(created, ";**** Last Modified on 1/2/2003 at 4:05:06 PM by x ****"));
    QVERIFY(HeaderStamp::isStamp(created.toUpper(), ";**** LAST MODIFIED ON whatever"));
    QVERIFY(!HeaderStamp::isStamp(created + " ", ";**** Last Modified on x"));
    QVERIFY(!HeaderStamp::isStamp(created, ";**** Last Modified"));
    QVERIFY(!HeaderStamp::isStamp("; my script", created));
}

void AppHelpersTest::stampModifiedLine()
{
    QDateTime when(QDate(2001, 12, 17), QTime(17, 24, 7));
    QVERIFY(HeaderStamp::modifiedLine(when, QString()).endsWith(" by Anonymous ****"));

    // The locale's short date and long time, without the time zone the long time carries.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(HeaderStamp::modifiedLine(when, "jdoe"), QString(";**** Last Modified on 12/17/01 at 5:24:07 PM by jdoe ****"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(HeaderStamp::modifiedLine(when, "jdoe"), QString(";**** Last Modified on 17.12.01 at 17:24:07 by jdoe ****"));
    QLocale::setDefault(QLocale::system());
    QCOMPARE(HeaderStamp::withoutTimeZone("t HH:mm"), QString("HH:mm"));
    QCOMPARE(HeaderStamp::withoutTimeZone("'at' h:mm tttt 'o''clock'"), QString("'at' h:mm 'o''clock'"));

    // USERNAME, else the login name, else "Anonymous".
    qputenv("USERNAME", "admin");
    qputenv("USER", "alice");
    qputenv("LOGNAME", "bob");
    QCOMPARE(HeaderStamp::currentUser(), QString("admin"));
    qputenv("USERNAME", "");
    QCOMPARE(HeaderStamp::currentUser(), QString("alice"));
    qunsetenv("USER");
    QCOMPARE(HeaderStamp::currentUser(), QString("bob"));
    qunsetenv("LOGNAME");
    QCOMPARE(HeaderStamp::currentUser(), QString("Anonymous"));
    qunsetenv("USERNAME");
    QCOMPARE(HeaderStamp::currentUser(), QString("Anonymous"));
}

void AppHelpersTest::filterTranslation()
{
    platform::FileDialogRequest request;
    request.filter = FileDialogFilter::toQt("KixTart Files (*.txt, *.kix, *.scr)|*txt;*.kix;*.scr|All Files (*.*)|*.*");
    QCOMPARE(request.filter, QString("KixTart Files (*.txt, *.kix, *.scr) (*txt *.kix *.scr);;All Files (*.*) (*)"));
    QCOMPARE(FileDialogFilter::toQt("kix32.exe|kix32.exe|All Executable Files (*.exe)|*.exe"),
             QString("kix32.exe (kix32.exe);;All Executable Files (*.exe) (*.exe)"));
    // Each caption shows once in the dialog, not followed by its own patterns again.
    QCOMPARE(ScriptedDialogService::filterCaptionsShown(request),
             (QStringList{"KixTart Files (*.txt, *.kix, *.scr)", "All Files (*.*)"}));
    QCOMPARE(ScriptedDialogService::firstFilterPatterns(request), (QStringList{"*txt", "*.kix", "*.scr"}));
}

void AppHelpersTest::geometryFallBack_data()
{
    QTest::addColumn<QString>("height");
    QTest::addColumn<bool>("fallBack");
    QTest::newRow("405") << "405" << true;
    QTest::newRow("406") << "406" << false;
    QTest::newRow("not a number") << "tall" << true;
    QTest::newRow("empty") << "" << true;
}

void AppHelpersTest::geometryFallBack()
{
    QFETCH(QString, height);
    QFETCH(bool, fallBack);
    QTemporaryDir dir;
    qputenv("TESSARY_REGISTRY_FILE", dir.filePath("r.reg").toLocal8Bit());
    RegistryHandler registry;
    registry.SetHive(0x80000001u);
    registry.SetSubKey("Software\\Test");
    registry.WriteRegValue("MainLeft", TaggedValue::fromString("30"));
    registry.WriteRegValue("MainTop", TaggedValue::fromString("45"));
    registry.WriteRegValue("MainWidth", TaggedValue::fromString("9000"));
    registry.WriteRegValue("MainHeight", TaggedValue::fromString(height));
    TwipsGeometry g = WindowGeometry::readStored(registry);
    if (fallBack) {
        QCOMPARE(g.left, 960.0);
        QCOMPARE(g.top, 915.0);
        QCOMPARE(g.width, 10335.0);
        QCOMPARE(g.height, 6780.0);
    } else {
        QCOMPARE(g.left, 30.0);
        QCOMPARE(g.top, 45.0);
        QCOMPARE(g.width, 9000.0);
        QCOMPARE(g.height, height.toDouble());
    }
}

QTEST_MAIN(AppHelpersTest)
#include "test_app_helpers.moc"
