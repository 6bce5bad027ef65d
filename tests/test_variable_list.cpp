// The variable list: the scan's results against its literal definition, and the window around it.

#include "CaseFile.h"
#include "LiteralVariableScan.h"
#include "EditorText.h"
#include "ScriptedDialogService.h"
#include "document/VarListHost.h"
#include "document/language/VariableScan.h"
#include "document/editor/FindReplaceDialog.h"
#include "document/frmVarList.h"

#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStringListModel>
#include <QTimer>
#include <QtTest>

namespace {

struct FakeHost : VarListHost {
    CodeEditor* VarListEditor() override { return &editor; }
    CodeEditor editor;
};

QStringList listed(const frmVarList& window)
{
    return qobject_cast<QStringListModel*>(window.lstVarList->model())->stringList();
}

// A shown list of the host's names, the scan done.
QPointer<frmVarList> openList(VarListHost& host)
{
    QPointer<frmVarList> window = new frmVarList(&host);
    window->show();
    window->Timer->stop();
    window->ScanVariables();
    return window;
}

void doubleClick(frmVarList& window, const QString& name)
{
    const QModelIndex index = window.lstVarList->model()->index(int(listed(window).indexOf(name)), 0);
    const QPoint at = window.lstVarList->visualRect(index).center();
    // As the mouse does it: the first click, then the second one that makes it a double-click.
    QTest::mouseClick(window.lstVarList->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(window.lstVarList->viewport(), Qt::LeftButton, {}, at);
}

QString randomText(QRandomGenerator& random, const QString& alphabet, int length)
{
    QString text;
    for (int i = 0; i < length; ++i)
        text += alphabet[random.bounded(int(alphabet.size()))];
    return text;
}

const QString kPlaceholder = QStringLiteral("Generating List.  Please Wait...");

} // namespace

class VariableListTest : public QObject {
    Q_OBJECT
private slots:
    void scan_data() { cases::addRows("variable_list.txt", "scan"); }

    void scan()
    {
        QFETCH(QStringList, fields);
        QStringList names;
        for (const QString& name : fields.mid(1))
            names << cases::text(name);
        QCOMPARE(VariableScan::ScanVariables(cases::text(fields[0])), names);
        QCOMPARE(literal::ScanVariables(cases::text(fields[0])), names);
    }

    void randomScriptsMatchTheDefinition()
    {
        // Few letters, so that names repeat; every delimiter and the characters that are not ones.
        const QString alphabet = QStringLiteral("$$$$$aabAB1 -+=<>*/,\";()\\\r\n\r\n\t&|.[]\x00e9");
        QRandomGenerator random(20261206);
        for (int script = 0; script < 3000; ++script) {
            const QString text = randomText(random, alphabet, random.bounded(script < 2000 ? 40 : 400));
            if (VariableScan::ScanVariables(text) != literal::ScanVariables(text))
                QFAIL(qPrintable(QStringLiteral("script %1: %2").arg(script).arg(QString(text.toUtf8().toPercentEncoding()))));
        }
        // Positions in any order, moving back as well as forward.
        for (int script = 0; script < 500; ++script) {
            const QString text = randomText(random, QStringLiteral("$ab-\\\r\n;"), 1 + random.bounded(60));
            VariableScan::NameScanner scanner(text);
            for (int k = 0; k < 40; ++k) {
                const int p = 1 + random.bounded(int(text.size()));
                QCOMPARE(scanner.NameLength(p), literal::NameLength(text, p));
            }
        }
    }

    // The window lists after its timer; without any "$" the placeholder goes too. Closed while a long
    // scan runs, it stops the scan.
    void windowScans()
    {
        FakeHost host;
        host.editor.setText(QStringLiteral("$x = 1\r\n$y = $x + $Y\r\n"));
        QPointer<frmVarList> window = new frmVarList(&host);
        QCOMPARE(listed(*window), QStringList{kPlaceholder});
        QTRY_COMPARE(listed(*window), QStringList({"$x", "$y", "$Y"}));
        host.editor.setText(QStringLiteral("? 'no variables'"));
        window->ScanVariables();
        QVERIFY(listed(*window).isEmpty());
        delete window;

        QString text; // big enough that the scan lets pending events run before it ends
        for (int i = 0; i < 400000; ++i)
            text += QStringLiteral("$v%1 ").arg(i);
        host.editor.setText(text);
        window = new frmVarList(&host);
        window->Timer->stop();
        bool closedDuringScan = false;
        QTimer::singleShot(0, window, [&] { closedDuringScan = window->close(); });
        window->ScanVariables();
        QVERIFY(closedDuringScan && listed(*window) == QStringList{kPlaceholder}); // the scan stopped
        QTRY_VERIFY(window.isNull());
    }

    void doubleClickFindsTheNameAndCloses()
    {
        ScriptedDialogService dialogs;
        FakeHost host;
        host.editor.setText(QStringLiteral("$name = 1\r\n$arr[1] = 2\r\n? $name + $Name + $arr[1]\r\n"));
        // Find was used last with a pattern and without letter case, and left its match selected.
        host.editor.RunCommand(CodeEditor::CmdFind);
        FindReplaceDialog* dialog = host.editor.findReplaceDialog();
        dialog->setOptions({.matchCase = false, .regularExpression = true});
        dialog->setFindText(QStringLiteral("n.me"));
        dialog->findNextButton()->click();
        QCOMPARE(host.editor.selectedText(), QString("name"));
        // A double-click looks for the name as written, after the caret; the window opens with it.
        QPointer<frmVarList> window = openList(host);
        doubleClick(*window, QStringLiteral("$Name"));
        QTRY_VERIFY(window.isNull());
        QVERIFY(selection(host.editor) == QList<int>({2, 10, 2, 15}) && dialog->findText() == "$Name");
        QVERIFY(dialog->isVisible() && dialog->isReplaceMode() && dialog->options().matchCase && !dialog->options().regularExpression);
        window = openList(host);
        doubleClick(*window, QStringLiteral("$arr[1]"));
        QVERIFY(host.editor.selectedText() == "$arr[1]" && dialogs.messages.isEmpty());
        // The script changed since the list was made: the name as listed is reported missing, and
        // the find window still shows it, not the text selected.
        window = openList(host);
        host.editor.setText(QStringLiteral("$name\r\n"));
        host.editor.SetSelectionRange(Range{0, 0, 0, 5});
        doubleClick(*window, QStringLiteral("$Name"));
        QVERIFY(dialogs.messages.size() == 1 && dialog->findText() == "$Name");
        QCOMPARE(dialogs.messages[0].text, QString("Cannot find \"$Name\"."));

        // Close and Esc unload the window.
        for (const bool byEscape : {false, true}) {
            window = openList(host);
            QVERIFY(QTest::qWaitForWindowActive(window));
            byEscape ? QTest::keyClick(window->lstVarList, Qt::Key_Escape) : window->cmdClose->click();
            QTRY_VERIFY(window.isNull());
        }
    }
};

QTEST_MAIN(VariableListTest)
#include "test_variable_list.moc"
