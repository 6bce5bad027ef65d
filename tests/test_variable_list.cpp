// The variable list: the scan's results against its literal definition, and the window around it.

#include "LiteralVariableScan.h"
#include "MainWindowFixture.h"
#include "document/CodeEditor.h"
#include "document/VarListHost.h"
#include "document/VariableScan.h"
#include "document/FindReplaceDialog.h"
#include "document/frmVarList.h"
#include "tools/frmWin32Errors.h"

#include <QLabel>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStringListModel>
#include <QTimer>
#include <QtTest>

namespace {

class FakeHost : public VarListHost {
public:
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

bool deleted(const QPointer<frmVarList>& window)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return window.isNull();
}

const QString kPlaceholder = QStringLiteral("Generating List.  Please Wait...");

} // namespace

class VariableListTest : public QObject {
    Q_OBJECT
private slots:
    void scan()
    {
        // Names repeat by case only; every line break ends a name (CR LF, LF, CR); "&|.[]" do not.
        for (const auto& [text, names] :
             {std::pair{"$ = 1\r\n$", QStringList()}, {"$a = 1\r\n$a = $A + $a", QStringList{"$a", "$A"}},
              {"$a$b = 1", QStringList{"$a$b", "$b"}}, {"$a\tb\n$c\rd\r\n$foo\nIf", QStringList{"$a\tb", "$c", "$foo"}},
              {"$a $b-$c+$d=$e<$f>$g*$h/$i\r\n$j,$k\"$l;$m($n)$o\\",
               QStringList{"$a", "$b", "$c", "$d", "$e", "$f", "$g", "$h", "$i", "$j", "$k", "$l", "$m", "$n", "$o"}},
              {"$a&b|c.d[e]", QStringList{"$a&b|c.d[e]"}}}) {
            QCOMPARE(VariableScan::ScanVariables(QString::fromLatin1(text)), names);
            QCOMPARE(literal::ScanVariables(QString::fromLatin1(text)), names);
        }
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

    void windowListsAfterItsTimer()
    {
        FakeHost host;
        host.editor.setText(QStringLiteral("$x = 1\r\n$y = $x + $Y\r\n"));
        frmVarList window(&host);
        QCOMPARE(window.windowTitle(), QString("Variable List"));
        QCOMPARE(window.lblVarList->text(), QString("To find variable in script, double-click an item from the list below:"));
        QCOMPARE(listed(window), QStringList{kPlaceholder});
        QTRY_COMPARE(listed(window), QStringList({"$x", "$y", "$Y"}));

        // Without any "$" the placeholder goes too.
        host.editor.setText(QStringLiteral("? 'no variables'"));
        window.ScanVariables();
        QVERIFY(listed(window).isEmpty());
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
        QVERIFY(deleted(window));
        const Range found = host.editor.GetSelectionRange(true);
        QVERIFY(found.StartLine == 2 && found.StartColumn == 10 && found.EndColumn == 15);
        QVERIFY(dialog->isVisible() && dialog->isReplaceMode());
        QCOMPARE(dialog->findText(), QString("$Name"));
        QVERIFY(dialog->options().matchCase && !dialog->options().regularExpression);
        window = openList(host);
        doubleClick(*window, QStringLiteral("$arr[1]"));
        QCOMPARE(host.editor.selectedText(), QString("$arr[1]"));
        QVERIFY(dialogs.messages.isEmpty());
        // The script changed since the list was made: the name as listed is reported missing, and
        // the find window still shows it, not the text selected.
        window = openList(host);
        host.editor.setText(QStringLiteral("$name\r\n"));
        host.editor.SetSelectionRange(Range{0, 0, 0, 5});
        doubleClick(*window, QStringLiteral("$Name"));
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].text, QString("Cannot find \"$Name\"."));
        QCOMPARE(dialog->findText(), QString("$Name"));

        // Close and Esc unload the window.
        window = new frmVarList(&host);
        window->show();
        window->cmdClose->click();
        QVERIFY(deleted(window));
        window = new frmVarList(&host);
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window->lstVarList, Qt::Key_Escape);
        QVERIFY(deleted(window));
    }

    void closingDuringTheScan()
    {
        // Big enough that the scan lets pending events run before it ends.
        FakeHost host;
        QString text;
        for (int i = 0; i < 400000; ++i)
            text += QStringLiteral("$v%1 ").arg(i);
        host.editor.setText(text);
        QPointer<frmVarList> window = new frmVarList(&host);
        window->Timer->stop();
        bool closedDuringScan = false;
        QTimer::singleShot(0, window, [&] {
            closedDuringScan = true;
            window->close();
        });
        window->ScanVariables();
        QVERIFY(closedDuringScan);
        QCOMPARE(listed(*window), QStringList{kPlaceholder}); // the scan stopped
        QVERIFY(deleted(window));
    }

    void openedFromTheViewMenu()
    {
        QTemporaryDir settings;
        useFreshSettings(settings);
        Shown shown;
        auto& [dialogs, main] = shown;
        main.activeEditor()->setText(QStringLiteral("$one = $two\r\n"));
        main.mnuVarList->trigger();
        main.mnuErrorCodes->trigger();
        frmVarList* list = main.findChild<frmVarList*>();
        QPointer<frmWin32Errors> errors = main.findChild<frmWin32Errors*>();
        QVERIFY(list && list->isVisible() && errors && errors->isVisible());
        QTRY_COMPARE(listed(*list), QStringList({"$one", "$two"}));
        main.mnuErrorCodes->trigger(); // the same window again
        QCOMPARE(main.findChildren<frmWin32Errors*>().size(), 1);
        main.close(); // they end with the main window
        QVERIFY(errors.isNull());
    }
};

QTEST_MAIN(VariableListTest)
#include "test_variable_list.moc"
