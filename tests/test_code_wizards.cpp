// The code wizards. Insert: character codes, the colour statement and its preview, the INI call with
// lists retrieved from a file, environment references, and the editable output. MessageBox: the
// generated call and its rules. The wizards and tool windows as the main window opens them.

#include "EditorText.h"
#include "MainWindowFixture.h"
#include "platform/PortableIniStore.h"
#include "wizards/InsertCode.h"
#include "wizards/MessageBoxCode.h"
#include "wizards/WizardHost.h"
#include "wizards/frmChr.h"
#include "wizards/frmMessageBox.h"
#include "document/frmVarList.h"
#include "tools/frmWin32Errors.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStringListModel>
#include <QTabWidget>
#include <QtTest>

namespace {

struct EditorHost : WizardHost {
    CodeEditor editor;
    CodeEditor* WizardEditor() override { return &editor; }
};

QStringList items(const QComboBox* combo)
{
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list << combo->itemText(i);
    return list;
}

// Title T, text a, "OK and Cancel", "Question Mark": the worked examples' settings.
void fillExample(frmMessageBox& w, const QString& text = QStringLiteral("a"))
{
    QTest::keyClicks(w.txtTitle, "T");
    QTest::keyClicks(w.txtText, text);
    w.optButton[1]->click();
    w.optIcon[1]->click();
}

} // namespace

class CodeWizardsTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::unique_ptr<EditorHost> host_;
    QPointer<frmChr> w;

private slots:
    void initTestCase() { qputenv("TESSARY_WIZARD_TEST", "C:\\TEMP"); }

    void init()
    {
        useFreshSettings(dir_);
        host_ = std::make_unique<EditorHost>();
        w = new frmChr(host_.get(), nullptr, std::make_shared<platform::PortableIniStore>(dir_.filePath("win.ini").toStdString()));
    }

    void cleanup()
    {
        delete w;
        host_.reset();
    }

    void characterCodesAndEditedOutput()
    {
        QVERIFY(w->optChar[4]->isChecked() && !w->cmdInsert->isEnabled());
        w->optChar[0]->click(); // Enter Key, with an empty text box
        QCOMPARE(w->txtOutput->toPlainText(), QString("Chr(13) + Chr(10)"));
        QVERIFY(w->cmdInsert->isEnabled() && !w->txtText->isEnabled());
        w->optChar[4]->click(); // Text, still empty
        QVERIFY(w->txtOutput->toPlainText().isEmpty() && !w->cmdInsert->isEnabled() && w->txtText->isEnabled());
        QTest::keyClicks(w->txtText, "a\"");
        QCOMPARE(w->txtOutput->toPlainText(), QString("Chr(97) + Chr(34)"));
        QVERIFY(w->cmdInsert->isEnabled());
        // Codes of the Windows-1252 page the scripts are saved in; anything outside it gives "?".
        w->txtText->setText(QStringLiteral("\u00e9\u20ac\U0001D11E"));
        QCOMPARE(w->txtOutput->toPlainText(), QString("Chr(233) + Chr(128) + Chr(63)"));

        // The output can be edited before it goes in at the caret.
        setMarked(host_->editor, "x = |\r\n");
        w->show();
        w->optChar[1]->click();
        w->txtOutput->selectAll();
        QTest::keyClick(w->txtOutput, Qt::Key_Delete);
        QVERIFY(!w->cmdInsert->isEnabled()); // nothing to insert
        QTest::keyClicks(w->txtOutput, "Chr(8) + \"!\"");
        w->cmdInsert->click();
        QCOMPARE(marked(host_->editor), QString("x = Chr(8) + \"!\"|\r\n"));
        QTRY_VERIFY(w.isNull());
    }

    void colorStatementAndPreview()
    {
        QVERIFY(!w->cboForeground->isEnabled() && !w->chkBold->isEnabled());
        w->chkEnable->click();
        QVERIFY(w->cboForeground->isEnabled() && w->chkBlink->isEnabled());
        QCOMPARE(w->txtOutput->toPlainText(), QString("Color w/n"));
        w->chkBold->click();
        QVERIFY(w->txtOutput->toPlainText() == "Color w+/n" && w->txtOutput->font().bold());
        w->chkBold->click();
        w->chkBlink->click();
        QTest::keyClick(w->cboForeground, Qt::Key_Y); // picked by its first letter: "Yellow/brown"
        QTest::keyClick(w->cboBackground, Qt::Key_R);
        QCOMPARE(w->txtOutput->toPlainText(), QString("Color y/r+"));
        QVERIFY(w->txtOutput->palette().color(QPalette::Text) == QColor(255, 255, 0) &&
                w->txtOutput->palette().color(QPalette::Base) == QColor(255, 0, 0));
        w->chkBold->click();
        w->chkEnable->click(); // off: normal look again, the text stays
        QCOMPARE(w->txtOutput->toPlainText(), QString("Color y+/r+"));
        QVERIFY(!w->cboForeground->isEnabled() && !w->txtOutput->font().bold());
        for (auto role : {QPalette::Base, QPalette::Text})
            QCOMPARE(w->txtOutput->palette().color(role), QApplication::palette().color(role));
        QVERIFY(!InsertCode::PreviewColor("purple").isValid() && InsertCode::PreviewColor("RED") == QColor(255, 0, 0));
    }

    void iniCallAndRetrieve()
    {
        ScriptedDialogService dialogs;
        w->tabWizard->setCurrentIndex(2);
        QTest::keyClicks(w->txtFileName, "C:\\a.ini");
        QTest::keyClicks(w->cboSection->lineEdit(), "General");
        QTest::keyClicks(w->cboKey->lineEdit(), "Name");
        QCOMPARE(w->txtOutput->toPlainText(), QString("ReadProfileString(\"C:\\a.ini\",\"General\",\"Name\")"));
        QTest::keyClicks(w->txtValue, "x");
        QCOMPARE(w->txtOutput->toPlainText(), QString("WriteProfileString(\"C:\\a.ini\",\"General\",\"Name\",\"x\")"));
        w->txtValue->clear();
        // Retrieve on a missing file leaves the lists empty without a word.
        w->cmdRetrieve->click();
        QCOMPARE(w->cboSection->count(), 0);
        const QString ini = writeFileIn(dir_, "ab.ini", "; sample\r\n[A]\r\nfirst=1\r\nsecond=2\r\n[B]\r\nzed=3\r\n[ ]\r\n");
        dialogs.openAnswers.push_back(QString());        // cancelled: the name stays
        w->cmdBrowse->click();
        QCOMPARE(w->txtFileName->text(), QString("C:\\a.ini"));
        dialogs.openAnswers.push_back(ini);
        w->cmdBrowse->click();
        QVERIFY(w->txtFileName->text() == ini && dialogs.openRequests[0].filter.contains("*.ini"));
        w->cmdRetrieve->click();
        w->cmdRetrieve->click(); // again: the lists are refilled, not doubled
        QCOMPARE(w->cboSection->currentText(), QString("A"));
        QCOMPARE(items(w->cboSection), QStringList({"A", "B", " "}));
        QCOMPARE(items(w->cboKey), QStringList({"first", "second"}));
        QTest::keyClick(w->cboSection, Qt::Key_Down);
        QCOMPARE(items(w->cboKey), QStringList({"zed"}));
        // Typing a section empties the key list.
        QTest::keyClicks(w->cboSection->lineEdit(), "x");
        QVERIFY(w->cboKey->count() == 0 && dialogs.messages.isEmpty());
        QCOMPARE(w->txtOutput->toPlainText(), QString("ReadProfileString(\"%1\",\"Bx\",\"zed\")").arg(ini));
        // A blank section name: the INI object refuses with its message, which the wizard owns so
        // that it comes up over it.
        QTest::keyClick(w->cboSection, Qt::Key_Down);
        QVERIFY(dialogs.messages.size() == 1 && dialogs.messages[0].parent == w.data());
        QCOMPARE(dialogs.messages[0].title, QString("IniFile Logic Error"));
    }

    void environmentReference()
    {
        const QList<QListWidgetItem*> found = w->lstEnviron->findItems("TESSARY_WIZARD_TEST (C:\\TEMP)", Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        w->show();
        w->tabWizard->setCurrentIndex(3);
        w->lstEnviron->scrollToItem(found[0]);
        const QPoint at = w->lstEnviron->visualItemRect(found[0]).center();
        QTest::mouseClick(w->lstEnviron->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(w->lstEnviron->viewport(), Qt::LeftButton, {}, at);
        QVERIFY(w->txtOutput->toPlainText() == "%TESSARY_WIZARD_TEST%" && w->cmdInsert->isEnabled());
        for (const auto& [line, shown] : QList<std::pair<QString, QString>>{{"A=b=c", "A (b=c)"}, {"=C:=C:\\", ""}, {"X(1)=y", ""}})
            QCOMPARE(InsertCode::EnvironmentLine(line), shown);
    }

    // ---- The MessageBox wizard: the generated call, the default-button and return-value rules, the
    // timeout entry, and insertion at the caret (also with no script open) ----

    void generatedCall()
    {
        EditorHost host;
        frmMessageBox w(&host);
        QCOMPARE(w.ResultText(), QString("Messagebox(\"\",\"\",16)\r\n"));
        // Default buttons follow the number of buttons, and so do the return values listed.
        QVERIFY(!w.optDefault[1]->isEnabled() && !w.optDefault[2]->isEnabled() && w.txtReturns->toPlainText() == "OK Button Returns    1\n");
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

        // The worked examples.
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

        // Quotes and line breaks in the text and the title keep the call one valid statement; the box
        // keeps what was typed.
        frmMessageBox q(&host);
        fillExample(q, "say \"hi\"");
        QCOMPARE(q.ResultText(), QString("Messagebox(\"say \" + Chr(34) + \"hi\" + Chr(34) + \"\",\"T\",33)"));
        QCOMPARE(q.txtText->toPlainText(), QString("say \"hi\""));
        q.txtText->clear();
        QTest::keyClicks(q.txtText, "a");
        QTest::keyClick(q.txtText, Qt::Key_Return);
        QTest::keyClicks(q.txtText, "b");
        QTest::keyClicks(q.txtTitle, "\"");
        QCOMPARE(q.ResultText(), QString("Messagebox(\"a\" + Chr(13) + Chr(10) + \"b\",\"T\" + Chr(34) + \"\",33)"));
        // A lone line feed disappears; a carriage return becomes the concatenation.
        QCOMPARE(MessageBoxCode::BuildResult("x\ny\rz", "", 16, std::nullopt),
                 QString("Messagebox(\"xy\" + Chr(13) + Chr(10) + \"z\",\"\",16)"));
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
        QVERIFY(dialogs.messages.size() == 1 && dialogs.messages[0].icon == platform::MessageIcon::Critical &&
                w.txtTimeout->selectedText() == "0");
        QCOMPARE(dialogs.messages[0].text + "|" + dialogs.messages[0].title,
                 QString("Timeout value must be a number|Timeout Value Error"));
        w.txtTimeout->setText("2147483648"); // beyond the 32-bit range: refused like any other non-number
        w.txtTimeout->setText("3.5"); // halves go to the even neighbour
        QVERIFY(w.ResultText() == "Messagebox(\"\",\"\",16,4)" && dialogs.messages.size() == 2);
        const QList<std::pair<const char*, std::optional<int>>> entries = {{"2147483647", 2147483647}, {"2.5", 2},
            {"-2147483648", -2147483647 - 1}, {"2147483648", {}}, {"-2147483649", {}}, {"nan", {}}};
        for (const auto& [entry, want] : entries)
            QVERIFY2(MessageBoxCode::ParseTimeout(entry) == want, entry);
    }

    void insertAtTheCaretAndClose()
    {
        EditorHost host;
        setMarked(host.editor, "a|b\r\ncd");
        QPointer<frmMessageBox> w = new frmMessageBox(&host);
        w->show();
        w->cmdInsert->click(); // at once: the initial text with its line break
        QCOMPARE(marked(host.editor), QString("aMessagebox(\"\",\"\",16)\r\n|b\r\ncd"));
        QTRY_VERIFY(w.isNull());
        // A selection is replaced; the caret ends just after the call.
        host.editor.SetSelectionRange(Range{1, 0, 1, 1});
        w = new frmMessageBox(&host);
        fillExample(*w);
        w->cmdInsert->click();
        const QString inserted = marked(host.editor);
        QCOMPARE(inserted, QString("aMessagebox(\"\",\"\",16)\r\nMessagebox(\"a\",\"T\",33)|\r\ncd"));
        QTRY_VERIFY(w.isNull());
        // Cancel inserts nothing.
        w = new frmMessageBox(&host);
        w->cmdCancel->click();
        QTRY_VERIFY(w.isNull());
        QCOMPARE(marked(host.editor), inserted);
    }

    // The wizards and tool windows of the main window.
    void toolWindowsOfTheMainWindow()
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
            QVERIFY(window.InsertWizard && window.InsertWizard->isVisible() && window.InsertWizard->tabWizard->currentIndex() == page);
        }
        QVERIFY(dialogs.messages.isEmpty());
        QPointer<frmChr> chr = window.InsertWizard.data();

        // The variable list and the error window from the View menu; the error window opens once.
        window.activeEditor()->setText(QStringLiteral("$one = $two\r\n"));
        window.mnuVarList->trigger();
        window.mnuErrorCodes->trigger();
        frmVarList* list = window.findChild<frmVarList*>();
        QPointer<frmWin32Errors> errors = window.findChild<frmWin32Errors*>();
        QVERIFY(list && list->isVisible() && errors && errors->isVisible());
        QTRY_COMPARE(qobject_cast<QStringListModel*>(list->lstVarList->model())->stringList(), QStringList({"$one", "$two"}));
        window.mnuErrorCodes->trigger();
        QCOMPARE(window.findChildren<frmWin32Errors*>().size(), 1);
        dialogs.messageAnswers.push_back(platform::MessageAnswer::No); // do not save the changed script
        window.close(); // the main window unloads its tool windows
        QVERIFY(chr.isNull() && errors.isNull());
    }
};

QTEST_MAIN(CodeWizardsTest)
#include "test_code_wizards.moc"
