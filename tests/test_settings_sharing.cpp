// Settings as the main window meets them: stored geometry over several runs, a damaged settings file
// reported once with everything readable kept, and two editors sharing one recent-files list.

#include "ScriptedDialogService.h"
#include "TestFiles.h"
#include "app/frmMain.h"
#include "document/frmDocument.h"
#include "platform/RegistryNotices.h"
#include "preferences/PrefRegistry.h"
#include "preferences/frmOptions.h"

#include <QComboBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_LINUX
#include <sys/inotify.h>
#include <unistd.h>
#endif

static QStringList geometry(const QStringList& write = {})
{
    RegistryHandler prefs;
    prefs.SetHive(platform::HKEY_CURRENT_USER_);
    prefs.SetSubKey(kPreferencesKey);
    QStringList values;
    for (const char* name : {"MainLeft", "MainTop", "MainWidth", "MainHeight"}) {
        if (!write.isEmpty())
            prefs.WriteRegValue(QLatin1String(name), TaggedValue::fromString(write[values.size()]));
        values << prefs.GetRegValue(QLatin1String(name), TaggedValue()).toString();
    }
    return values;
}

class SettingsSharingTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString registryFile_;
    int run_ = 0;

    QString write(const QString& name, const QByteArray& bytes) { return writeFileIn(dir_, name, bytes); }

private slots:
    void init()
    {
        registryFile_ = dir_.filePath(QStringLiteral("settings%1/registry.reg").arg(++run_));
        qputenv("TESSARY_REGISTRY_FILE", registryFile_.toLocal8Bit());
        platform::registrynotices::reset();
    }
    void cleanup() { frmOptions::Unload(); }

    // The window framed after mapping neither grows nor moves from run to run; a maximised exit
    // stores the normal geometry; values out of reach give a window on the screen.
    void geometrySurvivesRunsAndMaximisedExit()
    {
        const QStringList values = geometry({"1507", "1203", "9011", "6017"});
        ScriptedDialogService dialogs;
        for (int run = 0; run < 4; ++run) {
            if (run == 3)
                geometry({"1500", "1e30", "9000", "7000"});
            frmMain window;
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            if (run == 2) {
                window.showMaximized();
                QTRY_VERIFY(window.isMaximized());
                QTRY_COMPARE(window.frameGeometry().width(), window.screen()->availableGeometry().width());
            } else if (run < 2) {
                QTRY_COMPARE(window.frameGeometry().size(), QSize(601, 401));
            } else {
                QTRY_VERIFY(window.screen()->availableGeometry().contains(window.frameGeometry()));
            }
            window.close();
            QCOMPARE(geometry(), (run < 3 ? values : QStringList{"960", "915", "10335", "6780"}));
        }
    }

    void damagedSettingsFileIsReportedOnceAtStartUp()
    {
        const QString listed = write(QStringLiteral("listed.kix"), "Beep");
        write(QStringLiteral("settings%1/registry.reg").arg(run_),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Orland Works\\Tessary Editor\\Preferences]\n"
              "\"ViewToolBar\"=\"0\"\n\"ScriptPath\"=\"C:\\Scripts\\\"\n\"TabSize\"=dword:00000009\n\n"
              "[HKEY_CURRENT_USER\\Software\\Orland Works\\Tessary Editor\\Preferences\\MRU]\n"
              "\"MRUFile1\"=\"" + listed.toUtf8() + "\"\n\"MRUFile2\"=\"/home/us");
        ScriptedDialogService dialogs;
        {
            frmMain window;
            window.show();
            QTRY_COMPARE(dialogs.messages.size(), 1);
            const QStringList copies =
                QFileInfo(registryFile_).dir().entryList({QStringLiteral("registry.reg.corrupt-*")});
            QCOMPARE(copies.size(), 1);
            QVERIFY(dialogs.messages[0].text.contains(registryFile_));
            QVERIFY(dialogs.messages[0].text.contains(QFileInfo(registryFile_).dir().filePath(copies[0])));
            // Everything else was kept.
            QVERIFY(!window.mnuViewToolbar->isChecked());
            QCOMPARE(window.RecentFiles.at(0), listed);
            QCOMPARE(frmOptions::Get()->cboTabSize->currentText(), QStringLiteral("9"));
            window.close();
        }
        frmOptions::Unload();
        frmMain again;
        again.show();
        QTest::qWait(50);
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(again.RecentFiles.at(0), listed);
    }

    // A settings file that cannot be used at all is reported once, and nothing is written over it.
    void unusableSettingsFileIsReported()
    {
        const QString blocker = write(QStringLiteral("blocker%1").arg(run_), "not a folder");
        qputenv("TESSARY_REGISTRY_FILE", (blocker + QStringLiteral("/registry.reg")).toLocal8Bit());
        ScriptedDialogService dialogs;
        {
            frmMain window;
            window.show();
            QTRY_COMPARE(dialogs.messages.size(), 1);
            QVERIFY(dialogs.messages[0].text.contains(blocker + QStringLiteral("/registry.reg")));
            QVERIFY(dialogs.messages[0].text.contains(QStringLiteral("Not a directory")));
            window.mnuViewToolbar->trigger();
            window.close();
        }
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(readFile(blocker), QByteArray("not a folder"));
    }

    // Each editor writes back the list it read at start: without merging, one loses the other's files.
    // The names, under a non-Latin folder, come back as they were.
    void twoEditorsKeepEachOthersRecentFiles()
    {
        const QString first = write(QStringLiteral("\u4E2D\u6587/\u00DCbung.kix"), "A");
        const QString second = write(QStringLiteral("second.kix"), "B");
        ScriptedDialogService dialogs;
        {
            frmMain left;
            frmMain right;
            for (auto [window, path] : {std::pair{&left, first}, std::pair{&right, second}}) {
                dialogs.openAnswers = {path};
                window->mnuFileOpen->trigger();
            }
            QCOMPARE(right.RecentFiles.at(1), first);
            dialogs.messageAnswers = {platform::MessageAnswer::No, platform::MessageAnswer::No};
        }
        frmOptions::Unload();
        frmMain window;
        QCOMPARE(window.RecentFiles.at(0), second);
        QCOMPARE(window.RecentFiles.at(1), first);
        window.mnuFileMRU[1]->trigger();
        QVERIFY(dialogs.messages.isEmpty());
        QCOMPARE(window.activeDocument()->Caption(), first);

        // The shifted list is one change of the file: another editor never reads half of it.
#ifndef Q_OS_LINUX
        QSKIP("counting the writes of the settings file needs inotify");
#else
        const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(inotify_add_watch(watch, QFile::encodeName(QFileInfo(registryFile_).absolutePath()).constData(),
                                  IN_MOVED_TO | IN_CLOSE_WRITE) >= 0);
        dialogs.openAnswers = {write(QStringLiteral("third.kix"), "C")};
        window.mnuFileOpen->trigger();
        QVERIFY(window.RecentFiles.at(0).endsWith(QStringLiteral("third.kix")));
        int rewrites = 0;
        alignas(inotify_event) char buffer[8192];
        for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;)
            for (char* p = buffer; p < buffer + n; p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len)
                rewrites += QFileInfo(registryFile_).fileName() == QString::fromLocal8Bit(reinterpret_cast<inotify_event*>(p)->name);
        ::close(watch);
        QCOMPARE(rewrites, 1);
#endif
    }
};

QTEST_MAIN(SettingsSharingTest)
#include "test_settings_sharing.moc"
