// The document set: slots and numbering, the 30-document limit, tabs, menu states, close prompts,
// and the arrangement of many documents.

#include "CaseFile.h"
#include "MainWindowFixture.h"
#include "app/WindowTiling.h"
#include "document/editor/FindReplaceDialog.h"

#include <QtTest>
#include <QtWidgets>
#include <numeric>

using platform::MessageAnswer;
using WindowTiling::Direction;

class DocumentSetTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::optional<Shown> shown_;

private slots:
    void init()
    {
        useFreshSettings(dir_);
        shown_.emplace();
    }
    void cleanup() { shown_.reset(); }

    void thirtyFirstIsRefusedAndSlotsAreReusedLowestFirst()
    {
        auto& [dialogs, window] = *shown_;
        for (int i = 2; i <= 31; ++i)
            window.mnuFileNew_Click();
        QCOMPARE(dialogs.messages.value(0).text, QString("You are only allowed 30 documents opened at one time."));
        QVERIFY(window.LastSlot == -1 && window.tsTabs->count() == 30 && documentsShown(window).startsWith("30/30 "));

        window.mdiArea()->setActiveSubWindow(window.Documents[4]);
        window.mnuFileClose->trigger();
        QVERIFY(!window.SlotUsed[4] && !window.Documents[4] && window.OpenCount == 29 && window.tsTabs->count() == 29);
        window.mnuFileNew_Click();
        QVERIFY(documentsShown(window).endsWith("|Untitled 5* > Untitled 5") && dialogs.messages.size() == 1);
    }

    void menuStatesFollowTheDocuments()
    {
        auto& [dialogs, window] = *shown_;
        CodeEditor* editor = window.activeDocument()->rtfText;
        // An empty script can be pasted into but not cut or copied; typing changes that.
        QVERIFY(!window.mnuEditCut->isEnabled() && !window.mnuEditCopy->isEnabled() && !window.tbButtons[7]->isEnabled());
        QVERIFY(window.mnuEditPaste->isEnabled() && window.tbButtons[9]->isEnabled());
        editor->SetHighlightedLine(0);
        typeInFront(window, "x");
        QVERIFY(window.mnuEditCut->isEnabled() && window.tbButtons[8]->isEnabled() && window.Changed[1] && window.picTabs->isVisible());
        QCOMPARE(editor->HighlightedLine(), -1); // typing ends the highlight, also on the first line

        // The last document closed: no tabs, and only what needs no document stays enabled.
        editor->setModified(false);
        window.mnuFileClose_Click();
        QCOMPARE(documentsShown(window), QString("0/0  > none"));
        for (QAction* item : {window.mnuFileSave, window.mnuFilePrint, window.mnuEditFind, window.mnuWindowCascade,
                              window.mnuVarList, window.mnuWizards->menuAction(), window.mnuEditCut,
                              window.mnuEditPaste, window.tbButtons[3], window.tbButtons[9], window.tbButtons[19]})
            QVERIFY2(!item->isEnabled(), qPrintable(item->objectName()));
        QVERIFY(window.mnuFileNew->isEnabled() && window.tbButtons[0]->isEnabled() && !window.picTabs->isVisible());

        // A command that needs a document creates one, and counts it.
        QVERIFY(window.ActiveDocumentIndex() >= 1 && window.mnuFileSave->isEnabled());
        QCOMPARE(documentsShown(window), QString("1/1 Untitled 1* > Untitled 1"));

        // Unless every slot is taken: then it refuses.
        window.mnuFileClose_Click();
        window.SlotUsed.fill(true);
        window.ActiveDocumentIndex();
        QCOMPARE(dialogs.messages.value(0).text, QString("You are only allowed 30 Documents opened at one time."));
        QVERIFY(window.LastSlot == -1 && window.openDocuments().isEmpty() && dialogs.messages.size() == 1);
    }

    void tabsAreKeyedByFullCaption()
    {
        auto& [dialogs, window] = *shown_;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.activeDocument()->SetCaption("C:\\a\\x.kix");
        window.TabRename();
        window.mnuFileNew_Click();
        frmDocument* second = window.activeDocument();
        second->SetCaption("C:\\b\\x.kix");
        window.TabRename();
        window.mnuFileNew_Click();
        QTest::mouseClick(window.tsTabs, Qt::LeftButton, {}, window.tsTabs->tabRect(0).center());
        QCOMPARE(documentsShown(window), QString("3/3 x.kix*|x.kix|Untitled 3 > C:\\a\\x.kix"));
        // Activation ends any save on behalf of a close prompt.
        window.SavingFromClose = true;
        QTest::mouseClick(window.tsTabs, Qt::LeftButton, {}, window.tsTabs->tabRect(1).center());
        QVERIFY(window.activeDocument() == second && window.mnuExecute->isEnabled() && !window.SavingFromClose);
        QCOMPARE(window.CurrentFileName, QString("C:\\b\\x.kix"));

        // Closing a document keeps the row in step with the window that comes forward.
        window.tsTabs->setCurrentIndex(0);
        window.mnuFileClose_Click();
        QTRY_COMPARE(window.openDocuments().size(), 2);
        QCOMPARE(documentsShown(window), QString("2/2 x.kix*|Untitled 3 > C:\\b\\x.kix"));
    }

    void closePromptAnswers()
    {
        auto& [dialogs, window] = *shown_;
        frmDocument* document = window.activeDocument();
        typeInFront(window, "Beep");
        QVERIFY(window.Changed[1]);

        dialogs.messageAnswers = {MessageAnswer::Cancel};
        window.mnuFileClose_Click();
        const RecordedMessage& asked = dialogs.messages.last();
        QCOMPARE(asked.text, QString("Untitled 1 has been changed. Do you wish to save?"));
        QVERIFY(asked.buttons == platform::MessageButtons::YesNoCancel && asked.icon == platform::MessageIcon::Question);

        // Yes whose Save As is cancelled writes nothing and keeps the window.
        dialogs.messageAnswers = {MessageAnswer::Yes};
        window.mnuFileClose_Click();
        QVERIFY(dialogs.saveRequests.size() == 1 && document->rtfText->Modified());
        QCOMPARE(documentsShown(window), QString("1/1 Untitled 1* > Untitled 1"));

        // Yes and a name: saved, and the save does the close bookkeeping.
        dialogs.messageAnswers = {MessageAnswer::Yes};
        dialogs.saveAnswers = {dir_.filePath("saved-from-close.kix")};
        window.mnuFileClose_Click();
        QVERIFY(window.OpenCount == 0 && !window.SlotUsed[0] && !window.Changed[1] && window.tsTabs->count() == 0);
        QTRY_COMPARE(window.openDocuments().size(), 0);
        QVERIFY(readFile(dir_.filePath("saved-from-close.kix")).endsWith("\r\n\r\nBeep"));
    }

    void applicationCloseAsksPerChangedDocument()
    {
        const QString a = writeFileIn(dir_, "exit-a.kix", "A\r\n"), b = writeFileIn(dir_, "exit-b.kix", "B\r\n");
        auto& [dialogs, window] = shown_.emplace(a);
        typeAtEnd(window.activeDocument()->rtfText, "Beep\r\n");
        window.mnuFileNew_Click();
        typeInFront(window, "Cls");
        window.OpenFile(b); // in front, unchanged: asks nothing

        // Each document asked about comes forward with its tab; Yes saves it, Cancel stops the close.
        QStringList asked;
        dialogs.onMessage = [&](const RecordedMessage& message) {
            asked << message.text + " " + window.tsTabs->tabText(window.tsTabs->currentIndex()) + " " +
                         window.activeDocument()->Caption();
        };
        dialogs.messageAnswers = {MessageAnswer::Yes, MessageAnswer::Cancel};
        QVERIFY(!window.close());
        QCOMPARE(asked, (QStringList{a + " has been changed. Do you wish to save? exit-a.kix " + a,
                                     "Untitled 2 has been changed. Do you wish to save? Untitled 2 Untitled 2"}));
        QVERIFY(dialogs.messages[0].icon == platform::MessageIcon::Exclamation && readFile(a).endsWith("A\r\nBeep\r\n"));
        // The cancelled close leaves activation working.
        QVERIFY(window.isVisible() && window.openDocuments().size() == 3 && !window.AppClosing);
        window.mdiArea()->setActiveSubWindow(window.Documents[0]);
        QCOMPARE(window.tsTabs->currentIndex(), 0);
        dialogs.messageAnswers = {MessageAnswer::No};
        QVERIFY(window.close());
        QCOMPARE(readFile(b), QByteArray("B\r\n"));
    }

    void windowMenuListsTheDocuments()
    {
        auto& [dialogs, window] = *shown_;
        // A file name's "&" shows as it is, in the menu as on the tab.
        window.activeDocument()->SetCaption("C:\\a\\log on & x.kix");
        window.TabRename();
        QCOMPARE(window.tsTabs->tabText(0), QString("log on && x.kix"));
        window.mnuFileNew_Click();
        auto listed = [&window] {
            emit window.mnuWindow->aboutToShow();
            QList<QAction*> actions = window.mnuWindow->actions();
            actions.remove(0, actions.indexOf(window.mnuWindowArrangeIcons) + 1);
            actions.removeIf([](QAction* action) { return action->isSeparator(); });
            return actions;
        };
        QStringList texts;
        for (QAction* entry : listed())
            texts << entry->text() + (entry->isChecked() ? " *" : "");
        QCOMPARE(texts, QStringList({"&1 C:\\a\\log on && x.kix", "&2 Untitled 2 *"}));
        listed().first()->trigger();
        QVERIFY(window.activeDocument() == window.Documents[0] && window.tsTabs->currentIndex() == 0);
        // Only the first nine entries get an access key.
        for (int i = 3; i <= 10; ++i)
            window.mnuFileNew_Click();
        const QList<QAction*> all = listed();
        QCOMPARE(all.at(all.size() - 2)->text() + "|" + all.last()->text(), QString("&9 Untitled 9|10 Untitled 10"));
    }

    void captionsThatAreNotPathsIgnoreCase()
    {
        for (const char* caption : {"Untitled 3", "UNTITLED 3", "untitled"})
            QVERIFY(frmDocument::isUntitledCaption(caption));
        QVERIFY(!frmDocument::isUntitledCaption("Untitle") && !frmDocument::isUntitledCaption(QDir::rootPath() + "Untitled 3"));
        QVERIFY(frmDocument::sameCaption("Untitled 3", "UNTITLED 3") && !frmDocument::sameCaption("Untitled 3", "Untitled 4"));
        QVERIFY(frmDocument::sameCaption(QDir::rootPath() + "scripts/x.kix", QDir::rootPath() + "scripts/../scripts/x.kix"));
        // A path and a name never match, even where the name would resolve to that path.
        QVERIFY(!frmDocument::sameCaption(QDir::currentPath() + "/Untitled 3", "Untitled 3"));
    }

    void documentKeys()
    {
        auto& [dialogs, window] = *shown_;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto keyInFront = [&window](Qt::Key key, Qt::KeyboardModifiers modifiers) {
            window.activeDocument()->rtfText->setFocus(), QTest::keyClick(window.activeDocument()->rtfText, key, modifiers);
        };
        // The control binds Ctrl+L (cut a line) and Ctrl+D (duplicate); the menus must win.
        window.activeDocument()->rtfText->setText("line one\nline two");
        QSignalSpy color(window.mnuColor, &QAction::triggered);
        QSignalSpy debug(window.mnuDebug, &QAction::triggered);
        window.mnuDebug->setEnabled(true);
        keyInFront(Qt::Key_L, Qt::ControlModifier);
        keyInFront(Qt::Key_D, Qt::ControlModifier);
        QVERIFY(color.count() == 1 && debug.count() == 1);
        QCOMPARE(window.activeDocument()->rtfText->text(), QString("line one\nline two"));
        keyInFront(Qt::Key_N, Qt::ControlModifier);
        window.mnuFileNew_Click();
        keyInFront(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(documentsShown(window), QString("3/3 Untitled 1*|Untitled 2|Untitled 3 > Untitled 1"));
        keyInFront(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(documentsShown(window), QString("3/3 Untitled 1|Untitled 2|Untitled 3* > Untitled 3"));

        // An Alt+letter no menu uses types nothing; plain letters still type.
        keyInFront(Qt::Key_Q, Qt::AltModifier);
        keyInFront(Qt::Key_Q, Qt::NoModifier);
        QCOMPARE(window.activeDocument()->rtfText->Text(), QString("q"));

        keyInFront(Qt::Key_F4, Qt::ControlModifier);
        QVERIFY(dialogs.messages.size() == 1 && window.openDocuments().size() == 3); // the changed script asks first
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
        QCOMPARE(second->text() + first->text(), QString("dog dog\ncat\n"));

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

    // ---- Many documents at once: the tiling grid, the Window menu's tiling, a readable tab row ----

    void tilesCoverTheAreaInRowsOrColumnsThenAGrid()
    {
        QRect area(7, 3, 1001, 687);
        QVERIFY(WindowTiling::tile(0, area, Direction::Horizontal).isEmpty());
        for (Direction direction : {Direction::Horizontal, Direction::Vertical}) {
            for (int count = 1; count <= 30; ++count) {
                const QList<QRect> cells = WindowTiling::tile(count, area, direction);
                QCOMPARE(cells.size(), count);
                qint64 covered = 0;
                for (int i = 0; i < count; ++i) {
                    QVERIFY(area.contains(cells[i]));
                    covered += qint64(cells[i].width()) * cells[i].height();
                    for (int j = i + 1; j < count; ++j)
                        QVERIFY2(!cells[i].intersects(cells[j]), qPrintable(QStringLiteral("%1 of %2").arg(i).arg(count)));
                }
                QCOMPARE(covered, qint64(area.width()) * area.height());
                // Even thirty windows get a sixth of each side, never strips.
                for (const QRect& cell : cells)
                    QVERIFY(cell.width() >= area.width() / 6 && cell.height() >= area.height() / 6);
            }
        }
        for (const QStringList& row : cases::table("app_helpers.txt", "tiles")) {
            QStringList cells;
            const Direction direction = row[2] == "columns" ? Direction::Vertical : Direction::Horizontal;
            for (const QRect& cell : WindowTiling::tile(row[1].toInt(), {0, 0, 900, 600}, direction))
                cells << QStringLiteral("%1,%2,%3,%4").arg(cell.x()).arg(cell.y()).arg(cell.width()).arg(cell.height());
            QVERIFY2(cells.join(' ') == row[3], qPrintable(row[0] + ": " + cells.join(' ')));
        }
    }

    void tileMenuItemsArrangeTheDocuments()
    {
        auto& [dialogs, window] = *shown_;
        window.resize(1000, 750);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto geometries = [&] {
            QList<QRect> result;
            for (QMdiSubWindow* document : window.mdiArea()->subWindowList(QMdiArea::CreationOrder))
                result << document->geometry();
            return result;
        };
        for (int i = 2; i <= 5; ++i)
            window.mnuFileNew->trigger();
        window.mnuWindowTileHorizontal->trigger();
        // The area without a maximised document (the menu bar may have lost its buttons' height).
        const QRect area = window.mdiArea()->viewport()->rect();
        QCOMPARE(geometries(), WindowTiling::tile(5, area, Direction::Horizontal));
        window.mnuWindowTileVertical->trigger();
        QCOMPARE(geometries(), WindowTiling::tile(5, area, Direction::Vertical));

        // Windows that overflow the area show scroll bars; the tiles fill the area they leave when gone.
        window.mdiArea()->subWindowList().constFirst()->move(2000, 2000);
        QTRY_VERIFY(window.mdiArea()->viewport()->width() < area.width());
        window.mnuWindowTileHorizontal->trigger();
        QTRY_COMPARE(window.mdiArea()->viewport()->rect(), area);
        const QList<QRect> tiles = geometries();
        QCOMPARE(std::accumulate(tiles.begin(), tiles.end(), QRect(), std::bit_or<>()), area);
    }

    void manyTabsKeepTheirLabels()
    {
        auto& [dialogs, window] = *shown_;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const int width = window.width();
        for (int i = 2; i <= 22; ++i)
            window.mnuFileNew->trigger();
        QTest::qWait(0);
        QCOMPARE(window.width(), width); // the row scrolls rather than widening the window
        const QFontMetrics metrics(window.tsTabs->font());
        for (int i = 0; i < window.tsTabs->count(); ++i) {
            const QString label = window.tsTabs->tabText(i);
            QVERIFY2(window.tsTabs->tabRect(i).width() > metrics.horizontalAdvance(label), qPrintable(label));
        }
        // The selected (newest) tab is scrolled into view.
        QVERIFY(window.tsTabs->rect().contains(window.tsTabs->tabRect(window.tsTabs->currentIndex())));
    }
};

QTEST_MAIN(DocumentSetTest)
#include "test_document_set.moc"
