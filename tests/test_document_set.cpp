// The document set: slots and numbering, the 30-document limit, tabs, menu states, close prompts.

#include "app/frmMain.h"
#include "document/FindReplaceDialog.h"
#include "document/frmDocument.h"
#include "ScriptedDialogService.h"

#include <QAction>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>

using platform::MessageAnswer;

// A shown main window with scripted answers to its dialogs.
struct Shown {
    ScriptedDialogService dialogs;
    frmMain window;
    Shown() { window.show(); }
};

static void type(CodeEditor* editor, const QString& text)
{
    editor->setFocus();
    QTest::keyClicks(editor, text);
}

class DocumentSetTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    int run_ = 0;
    std::optional<Shown> shown_;

private slots:
    void init()
    {
        qputenv("TESSARY_REGISTRY_FILE", dir_.filePath(QStringLiteral("r%1.reg").arg(++run_)).toLocal8Bit());
        shown_.emplace();
    }
    void cleanup() { shown_.reset(); }

    void thirtyFirstIsRefusedAndSlotsAreReusedLowestFirst()
    {
        auto& [dialogs, window] = *shown_;
        for (int i = 2; i <= 31; ++i)
            window.mnuFileNew_Click();
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].text, QString("You are only allowed 30 documents opened at one time."));
        QCOMPARE(window.LastSlot, -1);
        QCOMPARE(window.OpenCount, 30);
        QCOMPARE(window.openDocuments().size(), 30);
        QCOMPARE(window.tsTabs->count(), 30);

        window.mdiArea()->setActiveSubWindow(window.Documents[4]);
        window.mnuFileClose->trigger();
        QCOMPARE(window.OpenCount, 29);
        QVERIFY(!window.SlotUsed[4] && !window.Documents[4]);
        QCOMPARE(window.tsTabs->count(), 29);
        window.mnuFileNew_Click();
        QCOMPARE(window.activeDocument()->Caption(), QString("Untitled 5"));
        QCOMPARE(window.tsTabs->tabText(window.tsTabs->count() - 1), QString("Untitled 5"));
        QCOMPARE(window.tsTabs->currentIndex(), window.tsTabs->count() - 1);
        QCOMPARE(dialogs.messages.size(), 1);
    }

    void menuStatesFollowTheDocuments()
    {
        auto& [dialogs, window] = *shown_;
        CodeEditor* editor = window.activeDocument()->rtfText;
        // An empty script can be pasted into but not cut or copied; typing changes that.
        QVERIFY(!window.mnuEditCut->isEnabled() && !window.mnuEditCopy->isEnabled() && !window.tbButtons[7]->isEnabled());
        QVERIFY(window.mnuEditPaste->isEnabled() && window.tbButtons[9]->isEnabled());
        editor->SetHighlightedLine(0);
        type(editor, "x");
        QVERIFY(window.mnuEditCut->isEnabled() && window.tbButtons[8]->isEnabled());
        QVERIFY(window.Changed[1]);
        QCOMPARE(editor->HighlightedLine(), -1);

        // The last document closed: no tabs, and only what needs no document stays enabled.
        QVERIFY(window.picTabs->isVisible());
        editor->setModified(false);
        window.mnuFileClose_Click();
        QCOMPARE(window.OpenCount, 0);
        QVERIFY(!window.picTabs->isVisible());
        for (QAction* item : {window.mnuFileSave, window.mnuFilePrint, window.mnuEditFind, window.mnuWindowCascade,
                              window.mnuVarList, window.mnuWizards->menuAction(), window.mnuEditCut,
                              window.mnuEditPaste, window.tbButtons[3], window.tbButtons[9], window.tbButtons[19]})
            QVERIFY2(!item->isEnabled(), qPrintable(item->objectName()));
        QVERIFY(window.mnuFileNew->isEnabled() && window.tbButtons[0]->isEnabled());

        // A command that needs a document creates one, and counts it.
        QVERIFY(window.ActiveDocumentIndex() >= 1);
        QCOMPARE(window.openDocuments().size(), 1);
        QCOMPARE(window.OpenCount, 1);
        QVERIFY(window.mnuFileSave->isEnabled());
        QCOMPARE(window.tsTabs->count(), 1);

        // Unless every slot is taken: then it refuses.
        window.mnuFileClose_Click();
        window.SlotUsed.fill(true);
        window.ActiveDocumentIndex();
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].text, QString("You are only allowed 30 Documents opened at one time."));
        QCOMPARE(window.LastSlot, -1);
        QVERIFY(window.openDocuments().isEmpty());
    }

    void tabsAreKeyedByFullCaption()
    {
        auto& [dialogs, window] = *shown_;
        frmDocument* first = window.activeDocument();
        first->SetCaption("C:\\a\\x.kix");
        window.TabRename();
        window.mnuFileNew_Click();
        frmDocument* second = window.activeDocument();
        second->SetCaption("C:\\b\\x.kix");
        window.TabRename();
        QCOMPARE(window.tsTabs->tabText(0), QString("x.kix"));
        QCOMPARE(window.tsTabs->tabText(1), QString("x.kix"));
        QTest::mouseClick(window.tsTabs, Qt::LeftButton, {}, window.tsTabs->tabRect(0).center());
        QCOMPARE(window.activeDocument(), first);
        QCOMPARE(window.tsTabs->currentIndex(), 0);
        QTest::mouseClick(window.tsTabs, Qt::LeftButton, {}, window.tsTabs->tabRect(1).center());
        QCOMPARE(window.activeDocument(), second);
        QCOMPARE(window.CurrentFileName, QString("C:\\b\\x.kix"));
        QVERIFY(window.mnuExecute->isEnabled());
    }

    void closePromptAnswers()
    {
        auto& [dialogs, window] = *shown_;
        frmDocument* document = window.activeDocument();
        type(document->rtfText, "Beep");
        QVERIFY(window.Changed[1]);

        dialogs.messageAnswers = {MessageAnswer::Cancel};
        window.mnuFileClose_Click();
        QCOMPARE(dialogs.messages.last().text, QString("Untitled 1 has been changed. Do you wish to save?"));
        QCOMPARE(dialogs.messages.last().buttons, platform::MessageButtons::YesNoCancel);
        QCOMPARE(dialogs.messages.last().icon, platform::MessageIcon::Question);
        QCOMPARE(window.OpenCount, 1);

        // Yes whose Save As is cancelled writes nothing and keeps the window.
        dialogs.messageAnswers = {MessageAnswer::Yes};
        window.mnuFileClose_Click();
        QCOMPARE(dialogs.saveRequests.size(), 1);
        QCOMPARE(window.openDocuments().size(), 1);
        QCOMPARE(window.OpenCount, 1);
        QCOMPARE(window.tsTabs->count(), 1);
        QVERIFY(document->rtfText->Modified());

        // Yes and a name: saved, and the save does the close bookkeeping.
        dialogs.messageAnswers = {MessageAnswer::Yes};
        dialogs.saveAnswers = {dir_.filePath("saved-from-close.kix")};
        window.mnuFileClose_Click();
        QCOMPARE(window.OpenCount, 0);
        QVERIFY(!window.SlotUsed[0] && !window.Changed[1]);
        QCOMPARE(window.tsTabs->count(), 0);
        QTRY_COMPARE(window.openDocuments().size(), 0);
        QFile saved(dir_.filePath("saved-from-close.kix"));
        QVERIFY(saved.open(QIODevice::ReadOnly) && saved.readAll().endsWith("\r\n\r\nBeep"));
    }

    void applicationCloseAsksPerChangedDocument()
    {
        auto& [dialogs, window] = *shown_;
        type(window.activeDocument()->rtfText, "Beep");
        window.mnuFileNew_Click();
        type(window.activeDocument()->rtfText, "Cls");
        window.mnuFileNew_Click(); // unchanged: asks nothing

        dialogs.messageAnswers = {MessageAnswer::No, MessageAnswer::Cancel};
        QVERIFY(!window.close());
        QCOMPARE(dialogs.messages.size(), 2);
        QCOMPARE(dialogs.messages[0].icon, platform::MessageIcon::Exclamation);
        QCOMPARE(dialogs.messages[1].text, QString("Untitled 2 has been changed. Do you wish to save?"));
        QVERIFY(window.isVisible());
        QCOMPARE(window.openDocuments().size(), 3);
        // The cancelled close leaves activation working.
        QVERIFY(!window.AppClosing);
        window.mdiArea()->setActiveSubWindow(window.Documents[0]);
        QCOMPARE(window.tsTabs->currentIndex(), 0);
        dialogs.messageAnswers = {MessageAnswer::No, MessageAnswer::No};
        QVERIFY(window.close());
    }

    void selectedTabActivatesItsDocument()
    {
        auto& [dialogs, window] = *shown_;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.mnuFileNew_Click();
        window.mnuFileNew_Click();
        // Activation ends any save on behalf of a close prompt.
        window.SavingFromClose = true;
        window.tsTabs->setCurrentIndex(0);
        QCOMPARE(window.activeDocument(), window.Documents[0]);
        QVERIFY(!window.SavingFromClose);

        // Closing a document keeps the row in step with the window that comes forward.
        window.mnuFileClose_Click();
        QTRY_COMPARE(window.openDocuments().size(), 2);
        QCOMPARE(window.tsTabs->tabData(window.tsTabs->currentIndex()).toString(), window.activeDocument()->Caption());
        QCOMPARE(window.tsTabs->count(), 2);
    }

    void windowMenuListsTheDocuments()
    {
        auto& [dialogs, window] = *shown_;
        // A file name's "&" shows as it is, in the menu as on the tab.
        window.activeDocument()->SetCaption("C:\\a\\log on & x.kix");
        window.TabRename();
        QCOMPARE(window.tsTabs->tabText(0), QString("log on && x.kix"));
        window.mnuFileNew_Click();
        emit window.mnuWindow->aboutToShow();
        const QList<QAction*> actions = window.mnuWindow->actions();
        QStringList listed;
        QAction* firstEntry = nullptr;
        for (QAction* action : actions.mid(actions.indexOf(window.mnuWindowArrangeIcons) + 1))
            if (!action->isSeparator()) {
                listed << action->text() + (action->isChecked() ? " *" : "");
                firstEntry = firstEntry ? firstEntry : action;
            }
        QCOMPARE(listed, QStringList({"&1 C:\\a\\log on && x.kix", "&2 Untitled 2 *"}));
        firstEntry->trigger();
        QCOMPARE(window.activeDocument(), window.Documents[0]);
        QCOMPARE(window.tsTabs->currentIndex(), 0);
        // Only the first nine entries get an access key.
        for (int i = 3; i <= 10; ++i)
            window.mnuFileNew_Click();
        emit window.mnuWindow->aboutToShow();
        const QList<QAction*> all = window.mnuWindow->actions();
        QCOMPARE(all.at(all.size() - 2)->text() + "|" + all.last()->text(), QString("&9 Untitled 9|10 Untitled 10"));
    }

    void captionsThatAreNotPathsIgnoreCase()
    {
        for (const char* caption : {"Untitled 3", "UNTITLED 3", "untitled"})
            QVERIFY(frmDocument::isUntitledCaption(caption));
        QVERIFY(!frmDocument::isUntitledCaption("Untitle"));
        QVERIFY(!frmDocument::isUntitledCaption(QDir::rootPath() + "Untitled 3"));
        QVERIFY(frmDocument::sameCaption("Untitled 3", "UNTITLED 3"));
        QVERIFY(!frmDocument::sameCaption("Untitled 3", "Untitled 4"));
        QVERIFY(frmDocument::sameCaption(QDir::rootPath() + "scripts/x.kix", QDir::rootPath() + "scripts/../scripts/x.kix"));
        // A path and a name never match, even where the name would resolve to that path.
        QVERIFY(!frmDocument::sameCaption(QDir::currentPath() + "/Untitled 3", "Untitled 3"));
    }

    void documentKeys()
    {
        auto& [dialogs, window] = *shown_;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto keyInFront = [&window](Qt::Key key, Qt::KeyboardModifiers modifiers) {
            CodeEditor* editor = window.activeDocument()->rtfText;
            editor->setFocus();
            QTest::keyClick(editor, key, modifiers);
        };
        // The control binds Ctrl+L (cut a line) and Ctrl+D (duplicate); the menus must win.
        window.activeDocument()->rtfText->setText("line one\nline two");
        QSignalSpy color(window.mnuColor, &QAction::triggered);
        QSignalSpy debug(window.mnuDebug, &QAction::triggered);
        window.mnuDebug->setEnabled(true);
        keyInFront(Qt::Key_L, Qt::ControlModifier);
        keyInFront(Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(color.count(), 1);
        QCOMPARE(debug.count(), 1);
        QCOMPARE(window.activeDocument()->rtfText->text(), QString("line one\nline two"));
        keyInFront(Qt::Key_N, Qt::ControlModifier);
        window.mnuFileNew_Click();
        QCOMPARE(window.openDocuments().size(), 3);

        keyInFront(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(window.activeDocument(), window.Documents[0]);
        keyInFront(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(window.activeDocument(), window.Documents[2]);
        QCOMPARE(window.tsTabs->currentIndex(), 2);

        // An Alt+letter no menu uses types nothing; plain letters still type.
        keyInFront(Qt::Key_Q, Qt::AltModifier);
        keyInFront(Qt::Key_Q, Qt::NoModifier);
        QCOMPARE(window.activeDocument()->rtfText->Text(), QString("q"));

        keyInFront(Qt::Key_F4, Qt::ControlModifier);
        QCOMPARE(dialogs.messages.size(), 1); // the changed script asks first
        QCOMPARE(window.openDocuments().size(), 3);
        window.activeDocument()->rtfText->setModified(false);
        keyInFront(Qt::Key_F4, Qt::ControlModifier);
        QTRY_COMPARE(window.openDocuments().size(), 2);
        QCOMPARE(window.tsTabs->count(), 2);
    }

    void findWindowFollowsTheScriptInFront()
    {
        auto& [dialogs, window] = *shown_;
        CodeEditor* first = window.activeDocument()->rtfText;
        first->setText("cat\n");
        window.mnuFileNew_Click();
        CodeEditor* second = window.activeDocument()->rtfText;
        second->setText("cat cat\n");
        window.tsTabs->setCurrentIndex(0);
        window.tb_ButtonClick("Find"); // opened from the first script
        FindReplaceDialog* dialog = first->findReplaceDialog();
        QVERIFY(dialog && dialog->isVisible());
        dialog->setFindText("cat");
        dialog->setReplaceText("dog");

        // The user brings the second script forward: Replace All acts on what is seen.
        window.tsTabs->setCurrentIndex(1);
        dialog->replaceAllButton()->click();
        QCOMPARE(second->text(), QString("dog dog\n"));
        QCOMPARE(first->text(), QString("cat\n"));

        // Its script closes: it goes on with the one that comes forward, and goes away with the last.
        second->setModified(false);
        window.mnuFileClose_Click();
        QTRY_COMPARE(window.openDocuments().size(), 1);
        dialog->replaceAllButton()->click();
        QCOMPARE(first->text(), QString("dog\n"));
        first->setModified(false);
        window.mnuFileClose_Click();
        QTRY_VERIFY(!dialog->isVisible());
    }
};

QTEST_MAIN(DocumentSetTest)
#include "test_document_set.moc"
