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
    void malformedToggleKeepsDesignState();
    void storedTogglesOffHideTheBars();
    void togglesWriteTextValues();
    void commandLineLosesEveryQuote();
    void commandLineFileOpensAsDocumentOne();
    void toolbarButtonsShowIcons();

private:
    RegistryHandler preferences();
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
        QVERIFY(window.mnuViewToolbar->isChecked());
        QVERIFY(window.tb->isVisible());
        QVERIFY(window.sbStatusBar->isVisible());
        QVERIFY(!window.mnuStaysOpen->isChecked());
        QVERIFY(!window.mnuAutosave->isChecked());
        RegistryHandler registry = preferences();
        QList<QStringList> values = registry.EnumValues();
        QVERIFY(!values.isEmpty());
        QCOMPARE(values.first().first(), QString("ID"));
        QCOMPARE(registry.GetRegValue("ID", TaggedValue()).toString(), QString("1"));
        window.close();
    }
    RegistryHandler registry = preferences();
    QCOMPARE(registry.GetRegValue("MainLeft", TaggedValue()).toString(), QString("960"));
    QCOMPARE(registry.GetRegValue("MainTop", TaggedValue()).toString(), QString("915"));
    QCOMPARE(registry.GetRegValue("MainWidth", TaggedValue()).toString(), QString("10335"));
    QCOMPARE(registry.GetRegValue("MainHeight", TaggedValue()).toString(), QString("6780"));
    QCOMPARE(registry.GetRegValue("MainHeight", TaggedValue()).tag(), TaggedValue::Tag::String);
    QVERIFY(dialogs.messages.isEmpty());
}

void MainWindowTest::storedGeometryIsUsedAndWrittenBack()
{
    RegistryHandler registry = preferences();
    registry.WriteRegValue("MainLeft", TaggedValue::fromString("1500"));
    registry.WriteRegValue("MainTop", TaggedValue::fromString("1200"));
    registry.WriteRegValue("MainWidth", TaggedValue::fromString("9000"));
    registry.WriteRegValue("MainHeight", TaggedValue::fromString("7000"));
    ScriptedDialogService dialogs;
    {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.frameGeometry(), QRect(100, 80, 600, 467)); // at 96 dpi
        window.close();
    }
    // Unmoved: what was read is written back exactly, also where pixels round (7000 twips).
    QCOMPARE(registry.GetRegValue("MainLeft", TaggedValue()).toString(), QString("1500"));
    QCOMPARE(registry.GetRegValue("MainTop", TaggedValue()).toString(), QString("1200"));
    QCOMPARE(registry.GetRegValue("MainWidth", TaggedValue()).toString(), QString("9000"));
    QCOMPARE(registry.GetRegValue("MainHeight", TaggedValue()).toString(), QString("7000"));

    // A height of 406 twips is still a stored geometry; 405 is not.
    registry.WriteRegValue("MainWidth", TaggedValue::fromString("12000"));
    registry.WriteRegValue("MainHeight", TaggedValue::fromString("406"));
    {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(window.frameGeometry().width(), 800);
        window.move(200, 150);
        window.close();
    }
    QCOMPARE(registry.GetRegValue("MainLeft", TaggedValue()).toString(), QString("3000"));
    QCOMPARE(registry.GetRegValue("MainTop", TaggedValue()).toString(), QString("2250"));
    registry.WriteRegValue("MainHeight", TaggedValue::fromString("405"));
    {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.close();
    }
    QCOMPARE(registry.GetRegValue("MainWidth", TaggedValue()).toString(), QString("10335"));
    QCOMPARE(registry.GetRegValue("MainHeight", TaggedValue()).toString(), QString("6780"));
}

void MainWindowTest::malformedToggleKeepsDesignState()
{
    RegistryHandler registry = preferences();
    registry.WriteRegValue("ViewToolBar", TaggedValue::fromString("abc"));
    registry.WriteRegValue("ViewStatusBar", TaggedValue::fromString("0"));
    registry.WriteRegValue("ScriptWindowPersist", TaggedValue::fromString("True"));
    registry.WriteRegValue("ExecuteConfirm", TaggedValue::fromString("0"));
    ScriptedDialogService dialogs;
    frmMain window;
    window.show();
    QVERIFY(window.mnuViewToolbar->isChecked());
    QVERIFY(window.tb->isVisible());
    QVERIFY(!window.mnuViewStatusBar->isChecked());
    QVERIFY(!window.sbStatusBar->isVisible());
    QVERIFY(window.mnuStaysOpen->isChecked());
    QVERIFY(window.mnuAutosave->isChecked());
}

void MainWindowTest::storedTogglesOffHideTheBars()
{
    RegistryHandler registry = preferences();
    registry.WriteRegValue("ViewToolBar", TaggedValue::fromString("0"));
    registry.WriteRegValue("ViewTabs", TaggedValue::fromString("False"));
    ScriptedDialogService dialogs;
    frmMain window;
    window.show();
    QVERIFY(!window.mnuViewToolbar->isChecked());
    QVERIFY(!window.tb->isVisible());
    QVERIFY(!window.mnuTabs->isChecked());
    QVERIFY(!window.picTabs->isVisible());
    QVERIFY(window.sbStatusBar->isVisible());
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
    QVERIFY(window.picTabs->isVisible());
    window.mnuTabs->trigger();
    QCOMPARE(registry.GetRegValue("ViewTabs", TaggedValue()), TaggedValue::fromString("0"));
    QVERIFY(!window.picTabs->isVisible());
    window.mnuTabs->trigger();
    QVERIFY(window.picTabs->isVisible());
    window.activeDocument()->close();
    QVERIFY(!window.picTabs->isVisible());
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
    QCOMPARE(window.windowTitle(), "Tessary Editor - [" + path + "]");
    window.mnuFileNew_Click();
    QCOMPARE(window.windowTitle(), QString("Tessary Editor - [Untitled 2]"));
    window.tsTabs->setCurrentIndex(0);
    QCOMPARE(window.windowTitle(), "Tessary Editor - [" + path + "]");
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
