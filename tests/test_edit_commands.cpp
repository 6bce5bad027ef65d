// The main window's edit, label, help and about commands on real documents: Comment and
// Uncomment, the jump to a label from the right-click menu, context and online help through the
// URL service, Undo and Redo following the undo history, commands with no document open.

#include "RecordingUrlService.h"
#include "ScriptedDialogService.h"
#include "platform/ProductInfo.h"
#include "app/frmMain.h"
#include "document/frmDocument.h"
#include "tools/frmAbout.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestEditCommands : public QObject {
    Q_OBJECT
private slots:
    void commentAndUncomment();
    void uncommentWithoutCommentsRestoresSelection();
    void rightClickJumpsToALabel();
    void contextAndOnlineHelpAddresses();
    void undoAndRedoFollowTheHistory();
    void commandsWithoutDocumentDoNothing();
    void aboutBox();
};

namespace {
CodeEditor* editorOf(frmMain& window) { return window.activeDocument()->rtfText; }
QList<int> corners(const Range& r) { return {r.StartLine, r.StartColumn, r.EndLine, r.EndColumn}; }
}

void TestEditCommands::commentAndUncomment()
{
    ScriptedDialogService dialogs;
    frmMain window;
    CodeEditor* editor = editorOf(window);
    // Line breaks of both kinds stay as they are; so does the highlighted line.
    editor->setText(QStringLiteral("a\r\n; b\nc\r\nd"));
    editor->SetHighlightedLine(1);
    editor->SetSelectionRange({0, 1, 2, 1});
    window.tb_ButtonClick(QStringLiteral("comment"));
    window.CommentSelection();
    QCOMPARE(editor->Text(), QStringLiteral(";;a\r\n;;; b\n;;c\r\nd"));
    QCOMPARE(editor->HighlightedLine(), 1);
    // The selection moves with the text after its column 0.
    QCOMPARE(corners(editor->GetSelectionRange(false)), QList<int>({0, 3, 2, 3}));
    editor->SetSelectionRange({2, 0, 1, 0});
    window.CommentSelection();
    QCOMPARE(corners(editor->GetSelectionRange(false)), QList<int>({2, 0, 1, 0}));
    QCOMPARE(editor->Text(), QStringLiteral(";;a\r\n;;;; b\n;;;c\r\nd"));
    window.mnuEditUndo_Click();
    editor->SetSelectionRange({0, 1, 2, 1});
    window.tb_ButtonClick(QStringLiteral("Uncomment"));
    QCOMPARE(editor->Text(), QStringLiteral(";a\r\n;; b\n;c\r\nd"));
    // One step each for the undo history.
    window.mnuEditUndo_Click();
    QCOMPARE(editor->Text(), QStringLiteral(";;a\r\n;;; b\n;;c\r\nd"));
}

void TestEditCommands::uncommentWithoutCommentsRestoresSelection()
{
    ScriptedDialogService dialogs;
    frmMain window;
    CodeEditor* editor = editorOf(window);
    const QString text = QStringLiteral("one\r\n  ;two\r\nthree");
    editor->setText(text);
    editor->SetSelectionRange({2, 3, 0, 1});
    window.UncommentSelection();
    QCOMPARE(editor->Text(), text);
    QCOMPARE(corners(editor->GetSelectionRange(false)), QList<int>({0, 1, 2, 3}));
    QVERIFY(!editor->Modified());
}

void TestEditCommands::rightClickJumpsToALabel()
{
    ScriptedDialogService dialogs;
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    CodeEditor* editor = editorOf(window);
    QStringList script(60, QStringLiteral("? \"x\""));
    script[41] = QStringLiteral(":Finish");
    script[7] = QStringLiteral(":Begin");
    editor->setText(script.join(QStringLiteral("\r\n")));

    // Choose the second label while the menu is open.
    QStringList seen;
    QTimer::singleShot(100, this, [&] {
        seen << window.mnuLabelMarker[0]->text() + QLatin1Char('=') + window.mnuLabelMarker[0]->data().toString()
             << window.mnuLabelMarker[1]->text() + QLatin1Char('=') + window.mnuLabelMarker[1]->data().toString();
        seen << (window.mnuJumpNone->isVisible() ? QStringLiteral("none") : QStringLiteral("labels"));
        window.mnuLabelMarker[1]->trigger();
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    });
    QTest::mouseClick(editor->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(seen, (QStringList{"Begin=7", "Finish=41", "labels"}));
    QCOMPARE(editor->HighlightedLine(), 41);
    QCOMPARE(editor->GetSelectionRange(true).EndLine, 41);
    QVERIFY(!window.mnuLabelMarker[1]->isVisible());
    QVERIFY(!window.mnuJumpToLabel->menuAction()->isVisible());
    // The next key press ends the highlight.
    QTest::keyClick(editor, Qt::Key_Right);
    QCOMPARE(editor->HighlightedLine(), -1);
}

void TestEditCommands::contextAndOnlineHelpAddresses()
{
    ScriptedDialogService dialogs;
    RecordingUrlService urls;
    frmMain window;
    const QString define = ProductInfo::WebSite + QStringLiteral("/define.asp?name=");
    for (const char* caption : {"AddKey Help...", "@DATE Help...", "? Help...", "a&b=c#d Help..."}) {
        window.mnuCsHelp->setText(QString::fromLatin1(caption));
        window.mnuCsHelp->trigger();
    }
    window.mnuOnlineHelp->trigger();
    QCOMPARE(urls.files(), (QStringList{define + "AddKey", define + "@DATE", define + "%3F", define + "a%26b%3Dc%23d",
                                         ProductInfo::WebSite + "/help"}));
    QCOMPARE(urls.calls.first().verb, QStringLiteral("open"));
    QCOMPARE(urls.calls.first().showMode, 1);
}

void TestEditCommands::undoAndRedoFollowTheHistory()
{
    ScriptedDialogService dialogs;
    frmMain window;
    window.show();
    CodeEditor* editor = editorOf(window);
    QAction* undoButton = window.toolbarButton(QStringLiteral("Undo"));
    QAction* redoButton = window.toolbarButton(QStringLiteral("Redo"));
    auto state = [&] {
        return QString::number(window.mnuEditUndo->isEnabled()) + QString::number(undoButton->isEnabled()) +
               QString::number(window.mnuEditRedo->isEnabled()) + QString::number(redoButton->isEnabled());
    };
    QCOMPARE(state(), QStringLiteral("0000"));
    editor->setFocus();
    QTest::keyClicks(editor, QStringLiteral("ab"));
    QCOMPARE(state(), QStringLiteral("1100"));
    window.CommentSelection(); // a second undo step
    window.tb_ButtonClick(QStringLiteral("Undo"));
    QCOMPARE(state(), QStringLiteral("1111"));
    while (editor->CanUndo())
        window.mnuEditUndo_Click();
    QCOMPARE(editor->Text(), QString());
    QCOMPARE(state(), QStringLiteral("0011"));
    // The control's own redo key.
    QTest::keyClick(editor, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(state(), QStringLiteral("1111"));
    while (editor->CanRedo())
        window.mnuEditRedo->trigger();
    QCOMPARE(editor->Text(), QStringLiteral(";ab"));
    QCOMPARE(state(), QStringLiteral("1100"));
}

void TestEditCommands::commandsWithoutDocumentDoNothing()
{
    ScriptedDialogService dialogs;
    frmMain window;
    window.mnuFileClose_Click();
    QVERIFY(!window.mnuEditUndo->isEnabled() && !window.toolbarButton(QStringLiteral("Redo"))->isEnabled());
    window.mnuEditUndo_Click();
    window.mnuEditRedo_Click();
    window.mnuEditFind_Click();
    QVERIFY(!window.mnuEditFindNext->isEnabled());
    window.CommentSelection();
    window.UncommentSelection();
    for (const char* key : {"Cut", "Copy", "Paste", "Undo", "Redo", "Find", "Indent", "Outdent", "Comment", "Uncomment"})
        window.tb_ButtonClick(QString::fromLatin1(key));
    for (QAction* item : {window.mnuEditCut, window.mnuEditCopy, window.mnuEditPaste, window.mnuEditSelectAll,
                          window.mnuEditFindNext, window.mnuEditReplace, window.mnuEditGoTo}) {
        item->setEnabled(true);
        item->trigger();
    }
    window.mnuLabelMarker[0]->setData(QStringLiteral("3"));
    window.mnuLabelMarker_Click(0);
    QCOMPARE(window.openDocuments().size(), 0);
    QCOMPARE(window.OpenCount, 0);
    QCOMPARE(dialogs.messages.size(), 0);
    QCOMPARE(dialogs.lineRequests, 0);

    // With a script open, the first Find enables Find Next for good.
    window.mnuFileNew_Click();
    window.mnuEditFindNext->setEnabled(false);
    window.mnuEditFind->trigger();
    QVERIFY(window.mnuEditFindNext->isEnabled());
    window.setMenu();
    QVERIFY(window.mnuEditFindNext->isEnabled());
}

void TestEditCommands::aboutBox()
{
    RecordingUrlService urls;
    QTemporaryDir folder;
    const frmAbout::Links links{QStringLiteral("https://product.example"), QStringLiteral("https://maker.example")};
    frmAbout missing(links, folder.path());
    QCOMPARE(missing.windowTitle(), QStringLiteral("About Tessary Editor"));
    QCOMPARE(missing.lblVersion->text(), QStringLiteral("Beta 1"));
    QCOMPARE(missing.lblCopyright->text().count(QLatin1Char('\n')), 4);
    QVERIFY(!missing.licenseLoaded());
    QVERIFY(missing.txtLicense->toPlainText().contains(QStringLiteral("license.txt")));

    QFile file(folder.filePath(QStringLiteral("license.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Licence \xC3\xA9\r\nsecond line\r\n");
    file.close();
    frmAbout box(links, folder.path());
    QVERIFY(box.licenseLoaded());
    QCOMPARE(box.txtLicense->toPlainText(), QString::fromUtf8("Licence \xC3\xA9\nsecond line\n"));
    QVERIFY(box.txtLicense->isReadOnly());
    box.show();
    QTest::mouseClick(box.txtLicenseLink, Qt::LeftButton);
    QTest::mouseClick(box.picIcon, Qt::LeftButton);
    QCOMPARE(urls.files(), (QStringList{"https://product.example", "https://maker.example"}));
    QVERIFY(box.isVisible());
    QTest::keyClick(&box, Qt::Key_Escape);
    QVERIFY(!box.isVisible());

    // From the Help menu: loaded once, shown modeless, unloaded with the main window.
    ScriptedDialogService dialogs;
    {
        frmMain window;
        window.mnuAbout->trigger();
        frmAbout* shown = frmAbout::IfLoaded();
        QVERIFY(shown && shown->isVisible() && !shown->isModal());
        shown->cmdOK->click();
        window.mnuAbout->trigger();
        QCOMPARE(frmAbout::IfLoaded(), shown);
        QVERIFY(window.close());
    }
    QVERIFY(!frmAbout::IfLoaded());
}

QTEST_MAIN(TestEditCommands)
#include "test_edit_commands.moc"
