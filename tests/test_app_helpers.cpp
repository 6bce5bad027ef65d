// The main window's small pieces of exact logic: recent-file order, header stamp, dialog filters,
// stored geometry.

#include "ScriptedDialogService.h"
#include "app/FileDialogFilter.h"
#include "app/HeaderStamp.h"
#include "app/RecentFileList.h"
#include "app/StatusPanels.h"
#include "app/WindowGeometry.h"
#include "preferences/RegistryHandler.h"

#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

class AppHelpersTest : public QObject {
    Q_OBJECT
private slots:
    void recentFilesKeepListedSpelling()
    {
        // One file named two ways moves up with its listed spelling; names differing only in letter
        // case are one file on Windows and two files elsewhere.
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
#endif
        // A full list: the tenth file pushes the first out; the last and the top entry, named another
        // way, move up in their listed spelling and leave no second copy.
        RecentFileList full;
        const QString dir = QDir::cleanPath(QDir::tempPath());
        for (int i = 1; i <= 10; ++i)
            full.add(dir + QString("/f%1.kix").arg(i));
        QCOMPARE(full.at(8), dir + "/f2.kix");
        for (int round = 0; round < 2; ++round) {
            full.add(dir + "/./f2.kix");
            QCOMPARE(full.at(0), dir + "/f2.kix");
            QCOMPARE(full.at(1), dir + "/f10.kix");
            QCOMPARE(full.at(8), dir + "/f3.kix");
        }
    }

    void headerStamp()
    {
        QString created = HeaderStamp::createdLine();
        QVERIFY(created.startsWith(";**** Created with Tessary Editor | ") && created.endsWith(" ****"));
        QVERIFY(HeaderStamp::isStamp(created, ";**** Last Modified on 1/2/2003 at 4:05:06 PM by x ****"));
        QVERIFY(HeaderStamp::isStamp(created.toUpper(), ";**** LAST MODIFIED ON whatever"));
        QVERIFY(!HeaderStamp::isStamp(created + " ", ";**** Last Modified on x"));
        QVERIFY(!HeaderStamp::isStamp(created, ";**** Last Modified"));
        QVERIFY(!HeaderStamp::isStamp("; my script", created));

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

        // USERNAME, else the login name, else "Anonymous": each step removes the name used before.
        qputenv("USERNAME", "admin");
        qputenv("USER", "alice");
        qputenv("LOGNAME", "bob");
        for (const char* expected : {"admin", "alice", "bob", "Anonymous"}) {
            QCOMPARE(HeaderStamp::currentUser(), QString(expected));
            for (const char* name : {"USERNAME", "USER", "LOGNAME"})
                if (qgetenv(name) == expected)
                    qputenv(name, "");
        }
    }

    void filterTranslation()
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

    void geometryFallBack_data()
    {
        QTest::addColumn<QString>("height");
        QTest::addColumn<bool>("fallBack");
        QTest::newRow("405") << "405" << true;
        QTest::newRow("406") << "406" << false;
        QTest::newRow("not a number") << "tall" << true;
        QTest::newRow("empty") << "" << true;
    }

    void geometryFallBack()
    {
        QFETCH(QString, height);
        QFETCH(bool, fallBack);
        QTemporaryDir dir;
        qputenv("TESSARY_REGISTRY_FILE", dir.filePath("r.reg").toLocal8Bit());
        RegistryHandler registry;
        registry.SetHive(0x80000001u);
        registry.SetSubKey("Software\\Test");
        const QStringList values{"30", "45", "9000", height};
        int i = 0;
        for (const char* name : {"MainLeft", "MainTop", "MainWidth", "MainHeight"})
            registry.WriteRegValue(name, TaggedValue::fromString(values[i++]));
        const TwipsGeometry g = WindowGeometry::readStored(registry);
        const TwipsGeometry expected = fallBack ? TwipsGeometry{960, 915, 10335, 6780}
                                                : TwipsGeometry{30, 45, 9000, height.toDouble()};
        QVERIFY(g == expected);
        // Narrower than 1500 twips cannot be found again on screen: the fall-back width.
        for (const double width : {1499.0, 1500.0}) {
            registry.WriteRegValue("MainWidth", TaggedValue::fromString(QString::number(width)));
            QCOMPARE(WindowGeometry::readStored(registry).width, fallBack || width < 1500 ? 10335.0 : width);
        }
    }

    // INS shows the editor's mode, dimmed for overwrite, and nothing without an editor to ask.
    void statusPanelsShowWhatTheyKnow()
    {
        QStatusBar bar;
        StatusPanels panels(&bar, QStringLiteral("Tessary Editor"));
        std::optional<bool> insert;
        panels.insertMode = [&] { return insert; };
        for (const std::optional<bool> mode : {std::optional<bool>(true), std::optional<bool>(false), insert}) {
            insert = mode;
            panels.refresh();
            QCOMPARE(panels.panel(3)->text(), mode ? QStringLiteral("INS") : QString());
            QVERIFY(!mode || panels.panel(3)->isEnabled() == *mode);
        }
        QCOMPARE(panels.panel(1)->text(), QStringLiteral("Tessary Editor"));
        QCOMPARE(panels.panel(5)->text(), QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
    }
};

QTEST_MAIN(AppHelpersTest)
#include "test_app_helpers.moc"
