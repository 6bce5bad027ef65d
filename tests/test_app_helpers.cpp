// The main window's small pieces of exact logic: recent-file order, header stamp, dialog filters,
// stored geometry against frames and screens, status panels; and the answers of the real question boxes.

#include "CaseFile.h"
#include "MainWindowFixture.h"
#include "app/FileDialogFilter.h"
#include "app/HeaderStamp.h"
#include "app/RecentFileList.h"
#include "app/StatusPanels.h"
#include "app/WindowGeometry.h"
#include "platform/FilePaths.h"
#include "platform/QtDialogService.h"

#include <QtTest>
#include <QtWidgets>

using platform::MessageAnswer;

// Screens 1280x900 at 0,0 and 1024x768 at its right.
static const QList<QRect> Screens{QRect(0, 0, 1280, 900), QRect(1280, 0, 1024, 768)};

class AppHelpersTest : public QObject {
    Q_OBJECT
private slots:
    void recentFilesKeepListedSpelling()
    {
        // One file named two ways moves up with its listed spelling; names differing only in letter
        // case are one file on Windows and two files elsewhere.
        const QString dir = QDir::cleanPath(QDir::tempPath()) + '/';
        auto listed = [&dir](const RecentFileList& list) {
            QStringList names;
            for (int i = 0; i < RecentFileList::Capacity; ++i)
                names << QString(list.at(i)).remove(dir);
            return names.join(' ').trimmed();
        };
        RecentFileList list;
        for (const char* name : {"Scripts/a.kix", "Scripts/b.kix", "Scripts/./sub/../a.kix", "SCRIPTS/A.kix"})
            list.add(dir + name);
        QCOMPARE(listed(list), FilePaths::caseSensitivity() == Qt::CaseInsensitive ? "Scripts/a.kix Scripts/b.kix"
                                                                                  : "SCRIPTS/A.kix Scripts/a.kix Scripts/b.kix");
        // A full list: the tenth file pushes the first out; the last and the top entry, named another
        // way, move up in their listed spelling and leave no second copy.
        RecentFileList full;
        for (int i = 1; i <= 10; ++i)
            full.add(dir + QString("f%1.kix").arg(i));
        QCOMPARE(listed(full), "f10.kix f9.kix f8.kix f7.kix f6.kix f5.kix f4.kix f3.kix f2.kix");
        for (int round = 0; round < 2; ++round) {
            full.add(dir + "./f2.kix");
            QCOMPARE(listed(full), "f2.kix f10.kix f9.kix f8.kix f7.kix f6.kix f5.kix f4.kix f3.kix");
        }
    }

    void headerStamp()
    {
        QString created = HeaderStamp::createdLine();
        QVERIFY(created.startsWith(";**** Created with Tessary Editor | ") && created.endsWith(" ****"));
        QVERIFY(HeaderStamp::isStamp(created, ";**** Last Modified on 1/2/2003 at 4:05:06 PM by x ****") &&
                HeaderStamp::isStamp(created.toUpper(), ";**** LAST MODIFIED ON whatever"));
        QVERIFY(!HeaderStamp::isStamp(created + " ", ";**** Last Modified on x") &&
                !HeaderStamp::isStamp(created, ";**** Last Modified") && !HeaderStamp::isStamp("; my script", created));

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

        // USERNAME, else the login name (not on Windows), else "Anonymous": each step removes the
        // name used before.
        for (const auto& [name, value] : {std::pair{"USERNAME", "admin"}, {"USER", "alice"}, {"LOGNAME", "bob"}})
            qputenv(name, value);
#ifdef Q_OS_WIN
        for (const char* expected : {"admin", "Anonymous"}) {
#else
        for (const char* expected : {"admin", "alice", "bob", "Anonymous"}) {
#endif
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
        // Each caption shows once in the dialog, not followed by its own patterns again.
        QCOMPARE(ScriptedDialogService::filtersShown(request),
                 QString("KixTart Files (*.txt, *.kix, *.scr) | All Files (*.*) -> *txt *.kix *.scr"));
    }

    void geometryFallBack_data() { cases::addRows("app_helpers.txt", "stored geometry"); }

    void geometryFallBack()
    {
        QFETCH(QStringList, fields);
        QTemporaryDir dir;
        useFreshSettings(dir);
        storedGeometry(fields.mid(1, 4));
        RegistryHandler registry = userKey();
        const TwipsGeometry g = WindowGeometry::readStored(registry);
        QCOMPARE(QString("%1 %2 %3 %4").arg(g.left).arg(g.top).arg(g.width).arg(g.height), fields[5]);
    }

    // INS shows the editor's mode, dimmed for overwrite, and nothing without an editor to ask; the
    // bar keeps its height either way.
    void statusPanelsShowWhatTheyKnow()
    {
        QMainWindow window;
        QStatusBar& bar = *window.statusBar();
        StatusPanels panels(&bar, QStringLiteral("Tessary Editor"));
        std::optional<bool> insert;
        panels.insertMode = [&] { return insert; };
        window.show();
        QTest::qWait(0);
        const int height = bar.height();
        for (const std::optional<bool> mode : {std::optional<bool>(true), std::optional<bool>(false), insert}) {
            insert = mode;
            panels.refresh();
            QCOMPARE(panels.panel(3)->text(), mode ? QStringLiteral("INS") : QString());
            QVERIFY(!mode || panels.panel(3)->isEnabled() == *mode);
            QTest::qWait(0);
            QCOMPARE(bar.height(), height);
        }
        QCOMPARE(panels.panel(5)->text(), QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
    }

    // A window manager frames the client area only after mapping: the stored outer geometry is what
    // the next run writes back, whatever the frame's margins.
    void geometryRoundTripsThroughAFrame_data() { cases::addRows("app_helpers.txt", "frames"); }

    void geometryRoundTripsThroughAFrame()
    {
        QFETCH(QStringList, fields);
        const QStringList margins = fields[1].split(' ');
        const QMargins frame(margins[0].toInt(), margins[1].toInt(), margins[2].toInt(), margins[3].toInt());
        const double dpi = fields[2].toDouble();
        TwipsGeometry stored{1507, 1203, 12011, 8017};
        for (int run = 0; run < 10; ++run) {
            const WindowGeometry::Restored restored = WindowGeometry::fitToScreens(stored, dpi, Screens);
            const QRect client = WindowGeometry::clientFor(restored.outer, frame);
            QCOMPARE(client.size(),
                     restored.outer.size() - QSize(frame.left() + frame.right(), frame.top() + frame.bottom()));
            stored = WindowGeometry::toStore(restored, WindowGeometry::outerOf(client, frame), dpi);
            QCOMPARE(stored, (TwipsGeometry{1507, 1203, 12011, 8017}));
        }
        // Moved by one pixel: the new place is stored in twips.
        const WindowGeometry::Restored restored = WindowGeometry::fitToScreens(stored, dpi, Screens);
        const TwipsGeometry moved = WindowGeometry::toStore(restored, restored.outer.translated(1, 0), dpi);
        QCOMPARE(moved.left, WindowGeometry::pixelsToTwips(restored.outer.left() + 1, dpi));
        QCOMPARE(moved.width, WindowGeometry::pixelsToTwips(restored.outer.width(), dpi));
    }

    void unusableGeometryBecomesVisible_data() { cases::addRows("app_helpers.txt", "geometry on screens"); }

    void unusableGeometryBecomesVisible()
    {
        QFETCH(QStringList, fields);
        const TwipsGeometry stored{fields[1].toDouble(), fields[2].toDouble(), fields[3].toDouble(), fields[4].toDouble()};
        const QRect expected(fields[5].toInt(), fields[6].toInt(), fields[7].toInt(), fields[8].toInt());
        const WindowGeometry::Restored restored = WindowGeometry::fitToScreens(stored, 96.0, Screens);
        QCOMPARE(restored.outer, expected);
        QCOMPARE(WindowGeometry::toPixels(restored.twips, 96.0), expected);
        if (expected == WindowGeometry::toPixels(stored, 96.0))
            QCOMPARE(restored.twips, stored); // nothing to mend: the twips stay exact
    }

    // The real question boxes of recovery and of files held by another editor: each button gives its
    // answer, and Escape or closing the box decides nothing.
    void answers_data() { cases::addRows("app_helpers.txt", "answers"); }

    void answers()
    {
        QFETCH(QStringList, fields);
        const bool restore = fields[1] == "restore";
        const QString action = fields[2];
        QStringList shown;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            for (QAbstractButton* button : box->buttons())
                if (button->isVisible())
                    shown << button->text();
            if (action == QLatin1String("Enter") || action == QLatin1String("Escape"))
                QTest::keyClick(box, action == QLatin1String("Enter") ? Qt::Key_Return : Qt::Key_Escape);
            else if (action == QLatin1String("close"))
                box->close();
            for (QAbstractButton* button : box->buttons())
                if (button->text() == action)
                    button->click();
            // A box that ignored the action is answered with its first button, so the row fails
            // instead of hanging.
            QTimer::singleShot(200, box, [box] { box->buttons().first()->click(); });
        });
        platform::QtDialogService service;
        const MessageAnswer got = restore ? service.restoreRecovered(nullptr, QStringLiteral("text"), QStringLiteral("t"))
                                          : service.openHeldElsewhere(nullptr, QStringLiteral("text"), QStringLiteral("t"));
        QCOMPARE(QString(got == MessageAnswer::Yes ? "Yes" : got == MessageAnswer::No ? "No"
                         : got == MessageAnswer::Cancel ? "Cancel" : "another"), fields[3]);
        // Recovery offers two answers only; the held file also a visible Cancel.
        QCOMPARE(shown.size(), restore ? 2 : 3);
    }
};

QTEST_MAIN(AppHelpersTest)
#include "test_app_helpers.moc"
