// Settings as the main window meets them: stored geometry over several runs, a damaged, blocking or
// locked settings file reported once with everything readable kept, and two editors sharing one
// recent-files list.

#include "CaseFile.h"
#include "MainWindowFixture.h"
#include "platform/RegistryNotices.h"
#include "preferences/frmOptions.h"

#include <QComboBox>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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
        const QStringList values = storedGeometry({"1507", "1203", "9011", "6017"});
        ScriptedDialogService dialogs;
        for (int run = 0; run < 4; ++run) {
            if (run == 3)
                storedGeometry({"1500", "1e30", "9000", "7000"});
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
            QCOMPARE(storedGeometry(), (run < 3 ? values : QStringList{"960", "915", "10335", "6780"}));
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
            // The store's notice (which names the copy set aside: test_registry_store); all else kept.
            QVERIFY(dialogs.messages[0].text.contains(registryFile_ + QStringLiteral(".corrupt-")) && !window.mnuViewToolbar->isChecked());
            QVERIFY(window.RecentFiles.at(0) == listed && frmOptions::Get()->cboTabSize->currentText() == QStringLiteral("9"));
            window.close();
        }
        frmOptions::Unload();
        frmMain again;
        again.show();
        QTest::qWait(50);
        QVERIFY(dialogs.messages.size() == 1 && again.RecentFiles.at(0) == listed);
        // A notice that comes while the modal preferences are up belongs to them: it shows over them.
        bool overThePreferences = false;
        dialogs.onMessage = [&](const RecordedMessage& m) {
            overThePreferences = m.parent && m.parent == frmOptions::IfLoaded();
        };
        QTimer::singleShot(0, [] {
            platform::registrynotices::post("Settings could not be saved to the test file.");
            QTimer::singleShot(0, [] { frmOptions::IfLoaded()->cmdCancel->click(); });
        });
        frmOptions::ShowModal();
        QVERIFY(overThePreferences);
    }

    // A file where the settings' folder should be, a pipe in the file's place, a lock that another
    // program keeps holding: none stops the start, each is said once, and nothing is written over it.
    void blockingSettingsAreRefused_data() { cases::addRows("app_helpers.txt", "blocking settings"); }
    void blockingSettingsAreRefused()
    {
#ifndef Q_OS_LINUX
        QSKIP("the pipe, the other process's lock and the system's error texts are POSIX ones here");
#else
        QFETCH(QStringList, fields);
        const QString kind = fields[1], notice = fields[2];
        const QByteArray settings = kind == "file" ? "not a folder" : "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Orland Works"
                                                                      "\\Tessary Editor\\Preferences]\n\"ViewToolBar\"=\"1\"\n";
        const QString folder = QFileInfo(registryFile_).absolutePath();
        const QString blocking = kind == "file" ? folder : registryFile_;
        const QByteArray native = QFile::encodeName(registryFile_);
        int lock = -1; // a start that waited for ever again would fail by the test's time limit
        if (kind == "pipe") {
            QDir().mkpath(folder);
            QCOMPARE(::mkfifo(native.constData(), 0600), 0);
        } else {
            write(QDir(dir_.path()).relativeFilePath(blocking), settings);
        }
        if (kind == "lock") {
            lock = ::open((native + ".lock").constData(), O_RDWR | O_CREAT, 0600);
            QCOMPARE(::flock(lock, LOCK_EX | LOCK_NB), 0);
        }
        const auto unlock = qScopeGuard([lock] { ::close(lock); });
        ScriptedDialogService dialogs;
        {
            frmMain window;
            window.show();
            QTRY_COMPARE(dialogs.messages.size(), 1);
            QVERIFY2(dialogs.messages[0].text.contains(registryFile_) && dialogs.messages[0].text.contains(notice),
                     qPrintable(dialogs.messages[0].text));
            window.mnuViewToolbar->trigger();
            window.close();
        }
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(QFileInfo::exists(blocking) && QFileInfo(blocking).isFile() == (kind != "pipe"));
        if (kind != "pipe")
            QCOMPARE(readFile(blocking), settings);
#endif
    }

    // Each editor writes back the list it read at start: without merging, one loses the other's files.
    // The names, under a non-Latin folder, come back as they were (on Windows, in the registry's ANSI
    // code page: Windows-1252 in the test prefix).
    void twoEditorsKeepEachOthersRecentFiles()
    {
#ifdef Q_OS_WIN
        const QString first = write(QStringLiteral("\u00C9t\u00E9 \u20AC/\u00DCbung.kix"), "A");
#else
        const QString first = write(QStringLiteral("\u4E2D\u6587/\u00DCbung.kix"), "A");
#endif
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
        QVERIFY(window.RecentFiles.at(0) == second && window.RecentFiles.at(1) == first);
        window.mnuFileMRU[1]->trigger();
        QVERIFY(dialogs.messages.isEmpty() && window.activeDocument()->Caption() == first);

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
