// Start-up and shutdown of the main window: stored geometry, view toggles, the command line.

#include "app/frmMain.h"
#include "document/frmDocument.h"
#include "preferences/PrefRegistry.h"
#include "preferences/RegistryHandler.h"
#include "ScriptedDialogService.h"
#include "TestFiles.h"

#include <QAction>
#include <QStatusBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

static RegistryHandler preferences()
{
    RegistryHandler registry;
    registry.SetHive(0x80000001u);
    registry.SetSubKey(kPreferencesKey);
    return registry;
}

static void store(const QStringList& pairs)
{
    RegistryHandler registry = preferences();
    for (const QString& pair : pairs)
        registry.WriteRegValue(pair.section('=', 0, 0), TaggedValue::fromString(pair.section('=', 1)));
}

static QStringList geometry()
{
    QStringList values;
    for (const char* name : {"MainLeft", "MainTop", "MainWidth", "MainHeight"})
        values << preferences().GetRegValue(name, TaggedValue()).toString();
    return values;
}

class MainWindowTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    int run_ = 0;

private slots:
    void init()
    {
        qputenv("TESSARY_REGISTRY_FILE", dir_.filePath(QStringLiteral("registry-%1.reg").arg(++run_)).toLocal8Bit());
    }

    void firstRunOpensAtFallBackAndWritesIdFirst()
    {
        ScriptedDialogService dialogs;
        {
            frmMain window;
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QList<QStringList> values = preferences().EnumValues();
            QVERIFY(!values.isEmpty());
            QCOMPARE(values.first().first(), QString("ID"));
            QCOMPARE(preferences().GetRegValue("ID", TaggedValue()).toString(), QString("1"));
            // Icons come from the installed theme or are drawn; a missing theme path leaves them blank.
            for (QAction* button : window.tbButtons)
                if (!button->isSeparator())
                    QVERIFY2(!button->icon().isNull(), qPrintable(button->data().toString()));
            window.close();
        }
        QCOMPARE(geometry(), (QStringList{"960", "915", "10335", "6780"}));
        QCOMPARE(preferences().GetRegValue("MainHeight", TaggedValue()).tag(), TaggedValue::Tag::String);
        QVERIFY(dialogs.messages.isEmpty());
    }

    void storedGeometryIsUsedAndMoveWritten()
    {
        store({"MainLeft=1500", "MainTop=1200", "MainWidth=9000", "MainHeight=7000"});
        ScriptedDialogService dialogs;
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.frameGeometry(), QRect(100, 80, 600, 467)); // at 96 dpi
        window.move(200, 150);
        window.close();
        QCOMPARE(geometry().mid(0, 2), (QStringList{"3000", "2250"}));
    }

    void storedToggles_data()
    {
        // Flags: toolbar checked/shown, status bar checked/shown, tabs checked/shown, stays open, autosave.
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("flags");
        QTest::newRow("first run") << QStringList() << "11111100";
        QTest::newRow("malformed keeps design") << QStringList{"ViewToolBar=abc", "ViewStatusBar=0",
                                                               "ScriptWindowPersist=True", "ExecuteConfirm=0"} << "11001111";
        QTest::newRow("off hides the bars") << QStringList{"ViewToolBar=0", "ViewTabs=False"} << "00110000";
    }

    void storedToggles()
    {
        QFETCH(QStringList, stored);
        QFETCH(QString, flags);
        store(stored);
        ScriptedDialogService dialogs;
        frmMain window;
        window.show();
        QString state;
        for (bool flag : {window.mnuViewToolbar->isChecked(), window.tb->isVisible(), window.mnuViewStatusBar->isChecked(),
                          window.sbStatusBar->isVisible(), window.mnuTabs->isChecked(), window.picTabs->isVisible(),
                          window.mnuStaysOpen->isChecked(), window.mnuAutosave->isChecked()})
            state += flag ? '1' : '0';
        QCOMPARE(state, flags);
    }

    void togglesWriteTextValues()
    {
        ScriptedDialogService dialogs;
        frmMain window;
        window.show();
        const QList<std::tuple<QAction*, QWidget*, const char*>> toggles{
            {window.mnuViewToolbar, window.tb, "ViewToolBar"},
            {window.mnuViewStatusBar, window.sbStatusBar, "ViewStatusBar"},
            {window.mnuTabs, window.picTabs, "ViewTabs"}};
        for (const auto& [toggle, bar, name] : toggles) {
            for (const char* value : {"0", "1"}) {
                toggle->trigger();
                QCOMPARE(preferences().GetRegValue(name, TaggedValue()), TaggedValue::fromString(value));
                QCOMPARE(bar->isVisible(), *value == '1');
            }
        }
        // The tab row comes back only while there are tabs.
        window.activeDocument()->close();
        window.mnuTabs->trigger();
        window.mnuTabs->trigger();
        QVERIFY(!window.picTabs->isVisible());
    }

    void commandLineFileOpensAsDocumentOne()
    {
        // Every quote goes, also between and inside names.
        QCOMPARE(frmMain::commandLinePath("\"a b.kix\" \"c.kix\""), QString("a b.kix c.kix"));
        QCOMPARE(frmMain::commandLinePath("x\"y\"\"z"), QString("xyz"));
        QString path = dir_.filePath("My Scripts/logon.kix");
        QDir().mkpath(dir_.filePath("My Scripts"));
        writeFile(path, "? \"hello\"\r\n");
        ScriptedDialogService dialogs;
        frmMain window("\"" + path + "\"");
        window.show();
        frmDocument* document = window.activeDocument();
        QCOMPARE(document->Caption(), path);
        QCOMPARE(window.tsTabs->tabText(0), QString("logon.kix"));
        QCOMPARE(document->rtfText->LineText(0), QString("? \"hello\""));
        // The frame names the maximised script it shows from the start.
        const QString titled = "Tessary Editor - [" + path + "]";
        QCOMPARE(window.windowTitle(), titled);
        window.mnuFileNew_Click();
        QCOMPARE(window.windowTitle(), QString("Tessary Editor - [Untitled 2]"));
        window.tsTabs->setCurrentIndex(0);
        QCOMPARE(window.windowTitle(), titled);
        document->showNormal();
        QCOMPARE(window.windowTitle(), QString("Tessary Editor"));
        document->showMaximized();
        dialogs.saveAnswers = {dir_.filePath("renamed.kix")};
        QVERIFY(window.mnuFileSaveAs_Click());
        QCOMPARE(window.windowTitle(), "Tessary Editor - [" + dir_.filePath("renamed.kix") + "]");
        QVERIFY(!document->rtfText->Modified() && !window.Changed[1]);

        // Two quoted paths make one path that does not exist: document 1 stays untitled and empty.
        frmMain other("\"" + path + "\" \"" + path + "\"");
        QCOMPARE(other.activeDocument()->Caption(), QString("Untitled 1"));
        QCOMPARE(other.activeDocument()->rtfText->TextLength(), 0);
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages.first().text.startsWith(path + " " + path));
    }

};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
