// Start-up and shutdown of the main window: stored geometry, view toggles, the command line.

#include "app/frmMain.h"
#include "document/frmDocument.h"
#include "preferences/PrefRegistry.h"
#include "preferences/RegistryHandler.h"
#include "ScriptedDialogService.h"

#include <QAction>
#include <QFile>
#include <QStatusBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void firstRunOpensAtFallBackAndWritesIdFirst();
    void storedGeometryIsUsedAndWrittenBack();
    void storedToggles_data();
    void storedToggles();
    void togglesWriteTextValues();
    void commandLineLosesEveryQuote();
    void commandLineFileOpensAsDocumentOne();
    void toolbarButtonsShowIcons();

private:
    RegistryHandler preferences();
    void store(const QStringList& pairs);
    QStringList geometry();
    QTemporaryDir dir_;
    QString registryFile_;
    int run_ = 0;
};

void MainWindowTest::init()
{
    registryFile_ = dir_.filePath(QStringLiteral("registry-%1.reg").arg(++run_));
    qputenv("TESSARY_REGISTRY_FILE", registryFile_.toLocal8Bit());
}

RegistryHandler MainWindowTest::preferences()
{
    RegistryHandler registry;
    registry.SetHive(0x80000001u);
    registry.SetSubKey(kPreferencesKey);
    return registry;
}

void MainWindowTest::store(const QStringList& pairs)
{
    RegistryHandler registry = preferences();
    for (const QString& pair : pairs)
        registry.WriteRegValue(pair.section('=', 0, 0), TaggedValue::fromString(pair.section('=', 1)));
}

QStringList MainWindowTest::geometry()
{
    RegistryHandler registry = preferences();
    QStringList values;
    for (const char* name : {"MainLeft", "MainTop", "MainWidth", "MainHeight"})
        values << registry.GetRegValue(name, TaggedValue()).toString();
    return values;
}

void MainWindowTest::firstRunOpensAtFallBackAndWritesIdFirst()
{
    ScriptedDialogService dialogs;
    {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCoreApplication::processEvents();
        // A maximised script adds its name in brackets, as multi-document frames do.
        QVERIFY(window.windowTitle().startsWith("Tessary Editor"));
        RegistryHandler registry = preferences();
        QList<QStringList> values = registry.EnumValues();
        QVERIFY(!values.isEmpty());
        QCOMPARE(values.first().first(), QString("ID"));
        QCOMPARE(registry.GetRegValue("ID", TaggedValue()).toString(), QString("1"));
        window.close();
    }
    QCOMPARE(geometry(), (QStringList{"960", "915", "10335", "6780"}));
    QCOMPARE(preferences().GetRegValue("MainHeight", TaggedValue()).tag(), TaggedValue::Tag::String);
    QVERIFY(dialogs.messages.isEmpty());
}

void MainWindowTest::storedGeometryIsUsedAndWrittenBack()
{
    store({"MainLeft=1500", "MainTop=1200", "MainWidth=9000", "MainHeight=7000"});
    ScriptedDialogService dialogs;
    {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.frameGeometry(), QRect(100, 80, 600, 467)); // at 96 dpi
        window.close();
    }
    // Unmoved: what was read is written back exactly, also where pixels round (7000 twips).
    QCOMPARE(geometry(), (QStringList{"1500", "1200", "9000", "7000"}));

    // A height of 406 twips is still a stored geometry; 405 is not.
    store({"MainWidth=12000", "MainHeight=406"});
    {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(window.frameGeometry().width(), 800);
        window.move(200, 150);
        window.close();
    }
    QCOMPARE(geometry().mid(0, 2), (QStringList{"3000", "2250"}));
    store({"MainHeight=405"});
    {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.close();
    }
    QCOMPARE(geometry().mid(2), (QStringList{"10335", "6780"}));
}

void MainWindowTest::storedToggles_data()
{
    // Flags: toolbar checked/shown, status bar checked/shown, tabs checked/shown, stays open, autosave.
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QString>("flags");
    QTest::newRow("first run") << QStringList() << "11111100";
    QTest::newRow("malformed keeps design") << QStringList{"ViewToolBar=abc", "ViewStatusBar=0",
                                                           "ScriptWindowPersist=True", "ExecuteConfirm=0"} << "11001111";
    QTest::newRow("off hides the bars") << QStringList{"ViewToolBar=0", "ViewTabs=False"} << "00110000";
}

void MainWindowTest::storedToggles()
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

void MainWindowTest::togglesWriteTextValues()
{
    ScriptedDialogService dialogs;
    frmMain window;
    window.show();
    RegistryHandler registry = preferences();
    window.mnuViewToolbar->trigger();
    QCOMPARE(registry.GetRegValue("ViewToolBar", TaggedValue()), TaggedValue::fromString("0"));
    QVERIFY(!window.tb->isVisible());
    window.mnuViewToolbar->trigger();
    QCOMPARE(registry.GetRegValue("ViewToolBar", TaggedValue()), TaggedValue::fromString("1"));
    QVERIFY(window.tb->isVisible());
    window.mnuViewStatusBar->trigger();
    QCOMPARE(registry.GetRegValue("ViewStatusBar", TaggedValue()), TaggedValue::fromString("0"));

    // The tab row hides with the toggle and comes back only while there are tabs.
    window.mnuTabs->trigger();
    QCOMPARE(registry.GetRegValue("ViewTabs", TaggedValue()), TaggedValue::fromString("0"));
    QVERIFY(!window.picTabs->isVisible());
    window.mnuTabs->trigger();
    QVERIFY(window.picTabs->isVisible());
    window.activeDocument()->close();
    window.mnuTabs->trigger();
    window.mnuTabs->trigger();
    QVERIFY(!window.picTabs->isVisible());
}

void MainWindowTest::commandLineLosesEveryQuote()
{
    QCOMPARE(frmMain::commandLinePath("\"C:\\My Scripts\\logon.kix\""), QString("C:\\My Scripts\\logon.kix"));
    QCOMPARE(frmMain::commandLinePath("\"a b.kix\" \"c.kix\""), QString("a b.kix c.kix"));
    QCOMPARE(frmMain::commandLinePath("x\"y\"\"z"), QString("xyz"));
}

void MainWindowTest::commandLineFileOpensAsDocumentOne()
{
    QString path = dir_.filePath("My Scripts/logon.kix");
    QDir().mkpath(dir_.filePath("My Scripts"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("? \"hello\"\r\n");
    file.close();

    ScriptedDialogService dialogs;
    frmMain window("\"" + path + "\"");
    window.show();
    frmDocument* document = window.activeDocument();
    QVERIFY(document);
    QCOMPARE(document->Caption(), path);
    QCOMPARE(window.tsTabs->tabText(0), QString("logon.kix"));
    QCOMPARE(window.tsTabs->tabData(0).toString(), path);
    QCOMPARE(document->rtfText->LineText(0), QString("? \"hello\""));
    // The frame names the script it shows from the start.
    QVERIFY(document->isMaximized());
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
    QVERIFY(!document->rtfText->Modified());
    QVERIFY(!window.Changed[1]);

    // Two quoted paths make one path that does not exist: document 1 stays untitled and empty.
    frmMain other("\"" + path + "\" \"" + path + "\"");
    QCOMPARE(other.activeDocument()->Caption(), QString("Untitled 1"));
    QCOMPARE(other.activeDocument()->rtfText->TextLength(), 0);
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY(dialogs.messages.first().text.startsWith(path + " " + path));
}

void MainWindowTest::toolbarButtonsShowIcons()
{
    // Icons come from the installed theme or are drawn; a missing theme path leaves them blank.
    ScriptedDialogService dialogs;
    frmMain window;
    for (QAction* button : window.tbButtons)
        if (!button->isSeparator())
            QVERIFY2(!button->icon().isNull(), qPrintable(button->data().toString()));
}

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
