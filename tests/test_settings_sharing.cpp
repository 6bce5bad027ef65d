// Settings as the main window meets them: a damaged settings file reported once at start-up with
// everything readable kept, recent files under non-Latin folders, and two editors sharing one list.

#include "ScriptedDialogService.h"
#include "app/frmMain.h"
#include "document/frmDocument.h"
#include "platform/RegistryNotices.h"
#include "preferences/PrefRegistry.h"
#include "preferences/frmOptions.h"

#include <QComboBox>
#include <QDir>
#include <QScreen>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class SettingsSharingTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString registryFile_;
    int run_ = 0;

    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir_.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return path;
    }

    static QString storedRecent(int k)
    {
        RegistryHandler mru;
        mru.SetHive(platform::HKEY_CURRENT_USER_);
        mru.SetSubKey(kRecentFilesKey);
        return mru.GetRegValue(QStringLiteral("MRUFile%1").arg(k), TaggedValue()).toString();
    }

    static void openThroughMenu(frmMain& window, ScriptedDialogService& dialogs, const QString& path)
    {
        dialogs.openAnswers = {path};
        window.mnuFileOpen->trigger();
    }

private slots:
    void init()
    {
        registryFile_ = dir_.filePath(QStringLiteral("settings%1/registry.reg").arg(++run_));
        qputenv("TESSARY_REGISTRY_FILE", registryFile_.toLocal8Bit());
        platform::registrynotices::reset();
    }

    void cleanup() { frmOptions::Unload(); }

    static RegistryHandler preferences()
    {
        RegistryHandler prefs;
        prefs.SetHive(platform::HKEY_CURRENT_USER_);
        prefs.SetSubKey(kPreferencesKey);
        return prefs;
    }

    static QStringList geometry(const QStringList& write = {})
    {
        RegistryHandler prefs = preferences();
        QStringList values;
        for (const char* name : {"MainLeft", "MainTop", "MainWidth", "MainHeight"}) {
            if (!write.isEmpty())
                prefs.WriteRegValue(QLatin1String(name), TaggedValue::fromString(write[values.size()]));
            values << prefs.GetRegValue(QLatin1String(name), TaggedValue()).toString();
        }
        return values;
    }

    // The window framed after mapping (as this platform and window managers do) neither grows nor
    // moves from run to run; a maximised exit stores the normal geometry.
    void geometrySurvivesRunsAndMaximisedExit()
    {
        const QStringList values = geometry({"1507", "1203", "9011", "6017"});
        ScriptedDialogService dialogs;
        for (int run = 0; run < 3; ++run) {
            frmMain window;
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            if (run == 2) {
                window.showMaximized();
                QTRY_VERIFY(window.isMaximized());
                QTRY_COMPARE(window.frameGeometry().width(), window.screen()->availableGeometry().width());
            } else {
                QTRY_COMPARE(window.frameGeometry().size(), QSize(601, 401));
            }
            window.close();
            QCOMPARE(geometry(), values);
        }
        // Values that would put the window out of reach give a window on the screen.
        geometry({"1500", "1e30", "9000", "7000"});
        {
            frmMain window;
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QTRY_VERIFY(window.screen()->availableGeometry().contains(window.frameGeometry()));
            window.close();
        }
        QCOMPARE(geometry(), (QStringList{"960", "915", "10335", "6780"}));
    }

    void damagedSettingsFileIsReportedOnceAtStartUp()
    {
        const QString listed = write(QStringLiteral("listed.kix"), "Beep");
        const QByteArray content = "REGEDIT4\n\n"
                                   "[HKEY_CURRENT_USER\\Software\\Orland Works\\Tessary Editor\\Preferences]\n"
                                   "\"ViewToolBar\"=\"0\"\n"
                                   "\"ScriptPath\"=\"C:\\Scripts\\\"\n"
                                   "\"TabSize\"=dword:00000009\n\n"
                                   "[HKEY_CURRENT_USER\\Software\\Orland Works\\Tessary Editor\\Preferences\\MRU]\n"
                                   "\"MRUFile1\"=\"" + listed.toUtf8() + "\"\n"
                                   "\"MRUFile2\"=\"/home/us";
        write(QStringLiteral("settings%1/registry.reg").arg(run_), content);
        ScriptedDialogService dialogs;
        {
            frmMain window;
            window.show();
            QTRY_COMPARE(dialogs.messages.size(), 1);
            const QStringList copies =
                QFileInfo(registryFile_).dir().entryList({QStringLiteral("registry.reg.corrupt-*")});
            QCOMPARE(copies.size(), 1);
            const RecordedMessage& told = dialogs.messages[0];
            QVERIFY(told.text.contains(registryFile_));
            QVERIFY(told.text.contains(QFileInfo(registryFile_).dir().filePath(copies[0])));
            QCOMPARE(told.title, QStringLiteral("Tessary Editor"));
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
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("not a folder"));
    }

    void recentFileUnderNonLatinFolderReopens()
    {
        const QString path = write(QStringLiteral("\u4E2D\u6587/\u00DCbung.kix"), "Beep");
        {
            ScriptedDialogService dialogs;
            frmMain window;
            window.show();
            openThroughMenu(window, dialogs, path);
            window.close();
        }
        frmOptions::Unload();
        ScriptedDialogService dialogs;
        frmMain window;
        window.show();
        QCOMPARE(window.RecentFiles.at(0), path);
        window.mnuFileMRU[0]->trigger();
        QVERIFY(dialogs.messages.isEmpty());
        QCOMPARE(window.activeDocument()->Caption(), path);
    }

    // Each editor writes back the list it read at start: without merging, one loses the other's files.
    void twoEditorsKeepEachOthersRecentFiles()
    {
        const QString first = write(QStringLiteral("first.kix"), "A");
        const QString second = write(QStringLiteral("second.kix"), "B");
        ScriptedDialogService dialogs;
        frmMain left;
        frmMain right;
        openThroughMenu(left, dialogs, first);
        openThroughMenu(right, dialogs, second);
        QCOMPARE(storedRecent(1), second);
        QCOMPARE(storedRecent(2), first);
        QCOMPARE(right.RecentFiles.at(1), first);
    }
};

QTEST_MAIN(SettingsSharingTest)
#include "test_settings_sharing.moc"
