// The MessageBox wizard: the generated call, the default-button and return-value rules, the timeout
// entry, and insertion at the caret (also with no script open).

#include "app/frmMain.h"
#include "document/CodeEditor.h"
#include "document/frmDocument.h"
#include "wizards/MessageBoxCode.h"
#include "wizards/WizardHost.h"
#include "wizards/frmChr.h"
#include "wizards/frmMessageBox.h"
#include "ScriptedDialogService.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct EditorHost : WizardHost {
    CodeEditor editor;
    CodeEditor* WizardEditor() override { return &editor; }
    QList<int> caret()
    {
        const Range r = editor.GetSelectionRange(true);
        return {r.StartLine, r.StartColumn, r.EndLine, r.EndColumn};
    }
};

// Title T, text a, "OK and Cancel", "Question Mark": the worked examples' settings.
void fillExample(frmMessageBox& w, const QString& text = QStringLiteral("a"))
{
    QTest::keyClicks(w.txtTitle, "T");
    QTest::keyClicks(w.txtText, text);
    w.optButton[1]->click();
    w.optIcon[1]->click();
}

} // namespace

class MessageBoxWizardTest : public QObject {
    Q_OBJECT
private slots:
    void init() { qputenv("TESSARY_REGISTRY_FILE", dir_.filePath(QStringLiteral("r%1.reg").arg(++run_)).toLocal8Bit()); }

    void workedExamples()
    {
        EditorHost host;
        frmMessageBox w(&host);
        QCOMPARE(w.ResultText(), QString("Messagebox(\"\",\"\",16)\r\n"));
        fillExample(w);
        w.chkEnableTimeout->click();
        w.txtTimeout->setText("10");
        w.chkEnableTimeout->click(); // switched off again: no timeout argument
        QCOMPARE(w.ResultText(), QString("Messagebox(\"a\",\"T\",33)"));
        w.optButton[3]->click();
        w.optIcon[2]->click();
        w.optDefault[2]->click();
        w.optModality[1]->click();
        QCOMPARE(w.ResultText(), QString("Messagebox(\"a\",\"T\",4659)"));
        w.chkEnableTimeout->click(); // on again: the number typed before is kept
        QCOMPARE(w.ResultText(), QString("Messagebox(\"a\",\"T\",4659,10)"));
    }

    void quotesAndLineBreaks()
    {
        EditorHost host;
        frmMessageBox w(&host);
        fillExample(w, "say \"hi\"");
        QCOMPARE(w.ResultText(), QString("Messagebox(\"say \" + Chr(34) + \"hi\" + Chr(34) + \"\",\"T\",33)"));
        QCOMPARE(w.txtText->toPlainText(), QString("say \"hi\"")); // the box keeps what was typed
        w.txtText->clear();
        QTest::keyClicks(w.txtText, "a");
        QTest::keyClick(w.txtText, Qt::Key_Return);
        QTest::keyClicks(w.txtText, "b");
        // A quote in the title is written the same way, so the call stays one valid statement.
        QTest::keyClicks(w.txtTitle, "\"");
        QCOMPARE(w.ResultText(), QString("Messagebox(\"a\" + Chr(13) + Chr(10) + \"b\",\"T\" + Chr(34) + \"\",33)"));
        // A lone line feed disappears; a carriage return becomes the concatenation.
        QCOMPARE(MessageBoxCode::BuildResult("x\ny\rz", "", 16, std::nullopt),
                 QString("Messagebox(\"xy\" + Chr(13) + Chr(10) + \"z\",\"\",16)"));
    }

    void defaultButtonsAndReturnValues()
    {
        EditorHost host;
        frmMessageBox w(&host);
        QVERIFY(!w.optDefault[1]->isEnabled() && !w.optDefault[2]->isEnabled());
        QCOMPARE(w.txtReturns->toPlainText(), QString("OK Button Returns    1\n"));
        w.optButton[3]->click();
        w.optDefault[2]->click();
        w.optButton[2]->click(); // three buttons again: the choice stays
        QVERIFY(w.optDefault[2]->isChecked());
        QCOMPARE(w.txtReturns->toPlainText(),
                 QString("\nAbort Button Returns  3\nRetry Button Returns  4\nIgnore Button Returns 5"));
        w.optButton[4]->click(); // two buttons: the third default goes
        QVERIFY(w.optDefault[0]->isChecked() && w.optDefault[1]->isEnabled() && !w.optDefault[2]->isEnabled());
        w.optButton[0]->click(); // OK alone: no second default either
        QVERIFY(w.optDefault[0]->isChecked() && !w.optDefault[1]->isEnabled());
        QCOMPARE(MessageBoxCode::ReturnValueLines("Yes No and Cancel"),
                 QString("\r\nYes Button Returns    6\r\nNo Button Returns     7\r\nCancel Button Returns 2"));
    }

    void timeoutEntry()
    {
        ScriptedDialogService dialogs;
        EditorHost host;
        frmMessageBox w(&host);
        w.show();
        QVERIFY(!w.txtTimeout->isEnabled());
        w.chkEnableTimeout->click(); // an empty box becomes 0
        QCOMPARE(w.ResultText(), QString("Messagebox(\"\",\"\",16,0)"));
        w.txtTimeout->setText("25");
        w.txtTimeout->selectAll();
        QTest::keyClick(w.txtTimeout, Qt::Key_Delete); // cleared while enabled
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].text + "|" + dialogs.messages[0].title,
                 QString("Timeout value must be a number|Timeout Value Error"));
        QCOMPARE(dialogs.messages[0].icon, platform::MessageIcon::Critical);
        QCOMPARE(w.txtTimeout->selectedText(), QString("0"));
        // Beyond the 32-bit range is refused like any other non-number; halves go to the even neighbour.
        for (const auto& [entry, want] : QList<std::pair<QString, int>>{{"2147483648", 0}, {"2147483647", 2147483647}, {"2.5", 2}}) {
            w.txtTimeout->setText(entry);
            QCOMPARE(w.MsgTimeout, want);
        }
        w.txtTimeout->setText("3.5");
        QCOMPARE(w.ResultText(), QString("Messagebox(\"\",\"\",16,4)"));
        QCOMPARE(dialogs.messages.size(), 2); // only the out-of-range entry complained
        QCOMPARE(MessageBoxCode::ParseTimeout("-2147483648"), std::optional<int>(-2147483647 - 1));
        for (const char* refused : {"-2147483649", "nan"})
            QVERIFY2(!MessageBoxCode::ParseTimeout(refused), refused);
    }

    void insertAtTheCaretAndClose()
    {
        EditorHost host;
        host.editor.setText("ab\r\ncd");
        host.editor.SetSelectionRange(Range{0, 1, 0, 1});
        QPointer<frmMessageBox> w = new frmMessageBox(&host);
        w->show();
        w->cmdInsert->click(); // at once: the initial text with its line break
        QCOMPARE(host.editor.Text(), QString("aMessagebox(\"\",\"\",16)\r\nb\r\ncd"));
        QCOMPARE(host.caret(), QList<int>({1, 0, 1, 0}));
        QTRY_VERIFY(w.isNull());
        // A selection is replaced; the caret ends just after the call.
        host.editor.SetSelectionRange(Range{1, 0, 1, 1});
        w = new frmMessageBox(&host);
        fillExample(*w);
        w->cmdInsert->click();
        QCOMPARE(host.editor.LineText(1), QString("Messagebox(\"a\",\"T\",33)"));
        QCOMPARE(host.caret(), QList<int>({1, 22, 1, 22}));
        QTRY_VERIFY(w.isNull());
        // Cancel inserts nothing.
        const QString before = host.editor.Text();
        w = new frmMessageBox(&host);
        w->cmdCancel->click();
        QTRY_VERIFY(w.isNull());
        QCOMPARE(host.editor.Text(), before);
    }

    void insertWithNoScriptOpen()
    {
        ScriptedDialogService dialogs;
        frmMain window;
        window.show();
        window.mnuFileClose_Click();
        window.mnuMessagebox->trigger();
        QPointer<frmMessageBox> w = window.MessageBoxWizard.data();
        QVERIFY(w && w->isVisible() && window.OpenCount == 0);
        fillExample(*w);
        window.mnuMessagebox->trigger(); // shown again as it was left
        QVERIFY(window.MessageBoxWizard.data() == w.data());
        w->cmdInsert->click();
        QVERIFY(window.OpenCount == 1 && window.activeDocument());
        QCOMPARE(window.activeDocument()->rtfText->Text(), QString("Messagebox(\"a\",\"T\",33)"));
        QTRY_VERIFY(w.isNull());
        // The Insert wizard opens on its item's page; the character item keeps an open window's page.
        for (const auto& [item, page] : QList<std::pair<QAction*, int>>{{window.mnuIni, 2}, {window.mnuInsertCharacter, 2},
                                                                        {window.mnuColor, 1}, {window.mnuEnviron, 3}}) {
            item->trigger();
            QVERIFY(window.InsertWizard && window.InsertWizard->isVisible());
            QCOMPARE(window.InsertWizard->tabWizard->currentIndex(), page);
        }
        QVERIFY(dialogs.messages.isEmpty());
        QPointer<frmChr> chr = window.InsertWizard.data();
        dialogs.messageAnswers.push_back(platform::MessageAnswer::No); // do not save the changed script
        window.close(); // the main window unloads its tool windows
        QVERIFY(chr.isNull());
    }

private:
    QTemporaryDir dir_;
    int run_ = 0;
};

QTEST_MAIN(MessageBoxWizardTest)
#include "test_messagebox_wizard.moc"
