// The Insert wizard: character codes, the colour statement and its preview, the INI call with lists
// retrieved from a file, environment references, and the editable output.

#include "document/CodeEditor.h"
#include "platform/PortableIniStore.h"
#include "wizards/InsertCode.h"
#include "wizards/WizardHost.h"
#include "wizards/frmChr.h"
#include "ScriptedDialogService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
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
};

QStringList items(const QComboBox* combo)
{
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list << combo->itemText(i);
    return list;
}

} // namespace

class InsertWizardTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::unique_ptr<EditorHost> host_;
    QPointer<frmChr> w;

private slots:
    void initTestCase() { qputenv("TESSARY_WIZARD_TEST", "C:\\TEMP"); }

    void init()
    {
        host_ = std::make_unique<EditorHost>();
        w = new frmChr(host_.get(), nullptr, std::make_shared<platform::PortableIniStore>(dir_.filePath("win.ini").toStdString()));
    }

    void cleanup()
    {
        delete w;
        host_.reset();
    }

    void characterCodes()
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
    }

    void colorStatementAndPreview()
    {
        QVERIFY(!w->cboForeground->isEnabled() && !w->chkBold->isEnabled());
        w->chkEnable->click();
        QVERIFY(w->cboForeground->isEnabled() && w->chkBlink->isEnabled());
        QCOMPARE(w->txtOutput->toPlainText(), QString("Color w/n"));
        w->chkBold->click();
        QCOMPARE(w->txtOutput->toPlainText(), QString("Color w+/n"));
        QVERIFY(w->txtOutput->font().bold());
        w->chkBold->click();
        w->chkBlink->click();
        QTest::keyClick(w->cboForeground, Qt::Key_Y); // picked by its first letter: "Yellow/brown"
        QTest::keyClick(w->cboBackground, Qt::Key_R);
        QCOMPARE(w->txtOutput->toPlainText(), QString("Color y/r+"));
        QCOMPARE(w->txtOutput->palette().color(QPalette::Text), QColor(255, 255, 0));
        QCOMPARE(w->txtOutput->palette().color(QPalette::Base), QColor(255, 0, 0));
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
        QFile file(dir_.filePath("ab.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("; sample\r\n[A]\r\nfirst=1\r\nsecond=2\r\n[B]\r\nzed=3\r\n[ ]\r\n");
        file.close();
        dialogs.openAnswers.push_back(QString());        // cancelled: the name stays
        w->cmdBrowse->click();
        QCOMPARE(w->txtFileName->text(), QString("C:\\a.ini"));
        dialogs.openAnswers.push_back(file.fileName());
        w->cmdBrowse->click();
        QCOMPARE(w->txtFileName->text(), file.fileName());
        QVERIFY(dialogs.openRequests[0].filter.contains("*.ini"));
        w->cmdRetrieve->click();
        w->cmdRetrieve->click(); // again: the lists are refilled, not doubled
        QCOMPARE(w->cboSection->currentText(), QString("A"));
        QCOMPARE(items(w->cboSection), QStringList({"A", "B", " "}));
        QCOMPARE(items(w->cboKey), QStringList({"first", "second"}));
        QTest::keyClick(w->cboSection, Qt::Key_Down);
        QCOMPARE(items(w->cboKey), QStringList({"zed"}));
        // Typing a section empties the key list.
        QTest::keyClicks(w->cboSection->lineEdit(), "x");
        QCOMPARE(w->cboKey->count(), 0);
        QCOMPARE(w->txtOutput->toPlainText(), QString("ReadProfileString(\"%1\",\"Bx\",\"zed\")").arg(file.fileName()));
        QVERIFY(dialogs.messages.isEmpty());
        // A blank section name: the INI object refuses with its message, which the wizard owns so
        // that it comes up over it.
        QTest::keyClick(w->cboSection, Qt::Key_Down);
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].title, QString("IniFile Logic Error"));
        QCOMPARE(dialogs.messages[0].parent, w.data());
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
        QCOMPARE(w->txtOutput->toPlainText(), QString("%TESSARY_WIZARD_TEST%"));
        QVERIFY(w->cmdInsert->isEnabled());
        const QList<std::pair<QString, QString>> lines = {{"A=b=c", "A (b=c)"}, {"=C:=C:\\", ""}, {"X(1)=y", ""}};
        for (const auto& [line, shown] : lines)
            QCOMPARE(InsertCode::EnvironmentLine(line), shown);
    }

    void editedOutputIsInserted()
    {
        host_->editor.setText("x = \r\n");
        host_->editor.SetSelectionRange(Range{0, 4, 0, 4});
        w->show();
        w->optChar[1]->click();
        w->txtOutput->selectAll();
        QTest::keyClick(w->txtOutput, Qt::Key_Delete);
        QVERIFY(!w->cmdInsert->isEnabled()); // nothing to insert
        QTest::keyClicks(w->txtOutput, "Chr(8) + \"!\"");
        w->cmdInsert->click();
        QCOMPARE(host_->editor.Text(), QString("x = Chr(8) + \"!\"\r\n"));
        const Range r = host_->editor.GetSelectionRange(true);
        QVERIFY(r.StartLine == 0 && r.StartColumn == 16 && r.EndLine == 0 && r.EndColumn == 16);
        QTRY_VERIFY(w.isNull());
    }
};

QTEST_MAIN(InsertWizardTest)
#include "test_insert_wizard.moc"
