// The main window's edit, label, help and about commands: Comment and Uncomment, the jump to a label,
// help through the URL service, Undo and Redo following the history, commands with no document open.

#include "RecordingUrlService.h"
#include "ScriptedDialogService.h"
#include "TestFiles.h"
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
#include <QToolBar>

static QList<int> corners(const Range& r) { return {r.StartLine, r.StartColumn, r.EndLine, r.EndColumn}; }

class TestEditCommands : public QObject {
    Q_OBJECT
    std::optional<ScriptedDialogService> dialogs_;
    std::optional<frmMain> window_;
    CodeEditor* editor() { return window_->activeDocument()->rtfText; }

private slots:
    void init()
    {
        dialogs_.emplace();
        window_.emplace();
    }
    void cleanup()
    {
        window_.reset();
        dialogs_.reset();
    }

    void commentAndUncomment()
    {
        frmMain& window = *window_;
        CodeEditor* editor = this->editor();
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

        // Nothing to uncomment: text, selection and saved state as they were.
        const QString text = QStringLiteral("one\r\n  ;two\r\nthree");
        editor->setText(text);
        editor->setModified(false);
        editor->SetSelectionRange({2, 3, 0, 1});
        window.UncommentSelection();
        QCOMPARE(editor->Text(), text);
        QCOMPARE(corners(editor->GetSelectionRange(false)), QList<int>({0, 1, 2, 3}));
        QVERIFY(!editor->Modified());
    }

    void rightClickJumpsToALabel()
    {
        frmMain& window = *window_;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        CodeEditor* editor = this->editor();
        QStringList script(60, QStringLiteral("? \"x\""));
        script[41] = QStringLiteral(":Finish");
        script[7] = QStringLiteral(":Begin");
        editor->setText(script.join(QStringLiteral("\r\n")));

        // Choose the second label while the menu is open.
        QStringList seen;
        QTimer::singleShot(100, this, [&] {
            for (QAction* marker : {window.mnuLabelMarker[0], window.mnuLabelMarker[1]})
                seen << marker->text() + QLatin1Char('=') + marker->data().toString();
            seen << (window.mnuJumpNone->isVisible() ? QStringLiteral("none") : QStringLiteral("labels"));
            window.mnuLabelMarker[1]->trigger();
            if (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
        });
        QTest::mouseClick(editor->viewport(), Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(seen, (QStringList{"Begin=7", "Finish=41", "labels"}));
        QCOMPARE(editor->HighlightedLine(), 41);
        QCOMPARE(editor->GetSelectionRange(true).EndLine, 41);
        QVERIFY(!window.mnuJumpToLabel->menuAction()->isVisible());
        // The next key press ends the highlight.
        QTest::keyClick(editor, Qt::Key_Right);
        QCOMPARE(editor->HighlightedLine(), -1);
    }

    void contextAndOnlineHelpAddresses()
    {
        RecordingUrlService urls;
        const QString define = ProductInfo::WebSite + QStringLiteral("/define.asp?name=");
        for (const char* caption : {"AddKey Help...", "@DATE Help...", "? Help...", "a&b=c#d Help..."}) {
            window_->mnuCsHelp->setText(QString::fromLatin1(caption));
            window_->mnuCsHelp->trigger();
        }
        window_->mnuOnlineHelp->trigger();
        QCOMPARE(urls.files(), (QStringList{define + "AddKey", define + "@DATE", define + "%3F", define + "a%26b%3Dc%23d",
                                             ProductInfo::WebSite + "/help"}));
    }

    void undoAndRedoFollowTheHistory()
    {
        frmMain& window = *window_;
        window.show();
        CodeEditor* editor = this->editor();
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
        QTest::mouseClick(window.tb->widgetForAction(undoButton), Qt::LeftButton);
        QCOMPARE(state(), QStringLiteral("1111"));
        for (int step = 0; step < 9 && editor->CanUndo(); ++step)
            window.mnuEditUndo->trigger();
        QCOMPARE(editor->Text(), QString());
        QCOMPARE(state(), QStringLiteral("0011"));
        QTest::keyClick(editor, Qt::Key_Y, Qt::ControlModifier); // the control's own redo key
        QCOMPARE(state(), QStringLiteral("1111"));
        while (editor->CanRedo())
            window.mnuEditRedo->trigger();
        QCOMPARE(editor->Text(), QStringLiteral(";ab"));
        QCOMPARE(state(), QStringLiteral("1100"));
    }

    void commandsWithoutDocumentDoNothing()
    {
        frmMain& window = *window_;
        window.mnuFileClose_Click();
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
        QCOMPARE(dialogs_->messages.size(), 0);
        QCOMPARE(dialogs_->lineRequests, 0);

        // With a script open, the first Find enables Find Next for good.
        window.mnuFileNew_Click();
        window.mnuEditFindNext->setEnabled(false);
        window.mnuEditFind->trigger();
        window.setMenu();
        QVERIFY(window.mnuEditFindNext->isEnabled());
    }

    void aboutBox()
    {
        RecordingUrlService urls;
        QTemporaryDir folder;
        const frmAbout::Links links{QStringLiteral("https://product.example"), QStringLiteral("https://maker.example")};
        // Without its file the licence box names the file it looked for.
        QVERIFY(frmAbout(links, folder.path()).txtLicense->toPlainText().contains(QStringLiteral("license.txt")));

        // Installed, the text lives in the program's data folder.
        for (const char* made : {"bin", "share/tessary-editor"})
            QDir(folder.path()).mkpath(QString::fromLatin1(made));
        writeFile(folder.filePath(QStringLiteral("share/tessary-editor/license.txt")), "Installed licence\n");
        QCOMPARE(frmAbout(links, folder.filePath(QStringLiteral("bin"))).txtLicense->toPlainText(), QString("Installed licence\n"));

        writeFile(folder.filePath(QStringLiteral("license.txt")), "Licence \xC3\xA9\r\nsecond line\r\n");
        frmAbout box(links, folder.path());
        QCOMPARE(box.txtLicense->toPlainText(), QString::fromUtf8("Licence \xC3\xA9\nsecond line\n"));
        box.show();
        QTest::mouseClick(box.txtLicenseLink, Qt::LeftButton);
        QTest::mouseClick(box.picIcon, Qt::LeftButton);
        QCOMPARE(urls.files(), (QStringList{"https://product.example", "https://maker.example"}));
        QTest::keyClick(&box, Qt::Key_Escape);
        QVERIFY(!box.isVisible());

        // From the Help menu: loaded once, shown modeless, unloaded with the main window.
        window_->mnuAbout->trigger();
        frmAbout* shown = frmAbout::IfLoaded();
        QVERIFY(shown && shown->isVisible() && !shown->isModal());
        shown->cmdOK->click();
        window_->mnuAbout->trigger();
        QCOMPARE(frmAbout::IfLoaded(), shown);
        QVERIFY(window_->close());
        window_.reset();
        QVERIFY(!frmAbout::IfLoaded());
    }
};

QTEST_MAIN(TestEditCommands)
#include "test_edit_commands.moc"
