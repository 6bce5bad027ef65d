// The variable list: the scan's results against its literal definition, and the window around it.

#include "LiteralVariableScan.h"
#include "ScriptedDialogService.h"
#include "app/frmMain.h"
#include "document/CodeEditor.h"
#include "document/VarListHost.h"
#include "document/VariableScan.h"
#include "document/frmVarList.h"
#include "tools/frmWin32Errors.h"

#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>
#include <QtTest>

namespace {

class FakeHost : public VarListHost {
public:
    CodeEditor* VarListEditor() override { return editor; }
    CodeEditor* editor = nullptr;
};

QStringList listed(const frmVarList& window)
{
    QStringList items;
    for (int i = 0; i < window.lstVarList->count(); ++i)
        items << window.lstVarList->item(i)->text();
    return items;
}

} // namespace

class VariableListTest : public QObject {
    Q_OBJECT
private slots:
    void scan_data();
    void scan();
    void randomScriptsMatchTheDefinition();
    void nameLengthForAnyPosition();
    void windowListsAfterItsTimer();
    void doubleClickFindsTheName();
    void closingDuringTheScan();
    void openedFromTheViewMenu();
};

void VariableListTest::scan_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("no dollar") << "x = 1\r\n? \"hi\"" << QStringList();
    QTest::newRow("lone dollar") << "$ = 1\r\n$" << QStringList();
    QTest::newRow("twice, and in capitals") << "$a = 1\r\n$a = $A + $a" << QStringList({"$a", "$A"});
    QTest::newRow("at the very end") << "? $last" << QStringList({"$last"});
    QTest::newRow("backslash") << "$dir\\sub\\file" << QStringList({"$dir"});
    QTest::newRow("array index") << "$a[1] = 2" << QStringList({"$a[1]"});
    QTest::newRow("written together") << "$a$b = 1" << QStringList({"$a$b", "$b"});
    QTest::newRow("tab and lone line feed") << "$a\tb\n$c\rd\r\n" << QStringList({"$a\tb\n$c\rd", "$c\rd"});
    QTest::newRow("every delimiter")
        << "$a $b-$c+$d=$e<$f>$g*$h/$i\r\n$j,$k\"$l;$m($n)$o\\"
        << QStringList({"$a", "$b", "$c", "$d", "$e", "$f", "$g", "$h", "$i", "$j", "$k", "$l", "$m", "$n", "$o"});
    QTest::newRow("not delimiters") << "$a&b|c.d[e]" << QStringList({"$a&b|c.d[e]"});
    QTest::newRow("in strings and comments") << "; $note\r\n? \"$text\"" << QStringList({"$note", "$text"});
}

void VariableListTest::scan()
{
    QFETCH(QString, text);
    QFETCH(QStringList, names);
    QCOMPARE(VariableScan::ScanVariables(text), names);
    QCOMPARE(literal::ScanVariables(text), names);
}

void VariableListTest::randomScriptsMatchTheDefinition()
{
    // Few letters, so that names repeat; every delimiter and the characters that are not ones.
    const QString alphabet = QStringLiteral("$$$$$aabAB1 -+=<>*/,\";()\\\r\n\r\n\t&|.[]\x00e9");
    QRandomGenerator random(20261206);
    for (int script = 0; script < 3000; ++script) {
        QString text;
        const int length = random.bounded(script < 2000 ? 40 : 400);
        for (int i = 0; i < length; ++i)
            text += alphabet[random.bounded(int(alphabet.size()))];
        const QStringList expected = literal::ScanVariables(text);
        QStringList got = VariableScan::ScanVariables(text);
        if (got != expected)
            QFAIL(qPrintable(QStringLiteral("script %1: %2").arg(script).arg(QString(text.toUtf8().toPercentEncoding()))));
    }
}

void VariableListTest::nameLengthForAnyPosition()
{
    const QString alphabet = QStringLiteral("$ab-\\\r\n;");
    QRandomGenerator random(7);
    for (int script = 0; script < 500; ++script) {
        QString text;
        const int length = 1 + random.bounded(60);
        for (int i = 0; i < length; ++i)
            text += alphabet[random.bounded(int(alphabet.size()))];
        VariableScan::NameScanner scanner(text);
        // Positions in any order, moving back as well as forward.
        for (int k = 0; k < 40; ++k) {
            const int p = 1 + random.bounded(length);
            QCOMPARE(scanner.NameLength(p), literal::NameLength(text, p));
        }
    }
    QCOMPARE(VariableScan::NameScanner(QStringLiteral("x$abc")).NameLength(2), 5); // the whole text's length
}

void VariableListTest::windowListsAfterItsTimer()
{
    CodeEditor editor;
    editor.setText(QStringLiteral("$x = 1\r\n$y = $x + $Y\r\n"));
    FakeHost host;
    host.editor = &editor;
    frmVarList window(&host);
    QCOMPARE(window.windowTitle(), QString("Variable List"));
    QCOMPARE(window.lblVarList->text(), QString("To find variable in script, double-click an item from the list below:"));
    QCOMPARE(window.cmdClose->text(), QString("&Close"));
    QCOMPARE(listed(window), QStringList({"Generating List.  Please Wait..."}));
    QCOMPARE(window.Timer->interval(), 100);
    QVERIFY(window.Timer->isActive() && window.Timer->isSingleShot());
    QTRY_COMPARE(listed(window), QStringList({"$x", "$y", "$Y"}));
    QVERIFY(!window.Timer->isActive());

    // Without any "$" the placeholder goes too.
    editor.setText(QStringLiteral("? 'no variables'"));
    window.ScanVariables();
    QCOMPARE(window.lstVarList->count(), 0);
}

void VariableListTest::doubleClickFindsTheName()
{
    CodeEditor editor;
    editor.setText(QStringLiteral("$first = 1\r\n$second = 2\r\n? $second\r\n"));
    editor.SetSelectionRange(Range{1, 5, 1, 5});
    FakeHost host;
    host.editor = &editor;
    QPointer<frmVarList> window = new frmVarList(&host);
    window->show();
    window->ScanVariables();
    window->lstVarList_DblClick(window->lstVarList->item(1));
    QCOMPARE(editor.SearchText(), QString("$second"));
    // Found after the caret, on line 3.
    QCOMPARE(editor.GetSelectionRange(true).StartLine, 2);
    QCOMPARE(editor.selectedText(), QString("$second"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.isNull());
    // The find-and-replace dialog is open.
    bool dialogShown = false;
    for (QWidget* widget : QApplication::topLevelWidgets())
        dialogShown |= widget->inherits("FindReplaceDialog") && widget->isVisible();
    QVERIFY(dialogShown);

    // Close and Esc unload the window.
    window = new frmVarList(&host);
    window->show();
    window->cmdClose->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.isNull());
    window = new frmVarList(&host);
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window->lstVarList, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.isNull());
}

void VariableListTest::closingDuringTheScan()
{
    // Big enough that the scan lets pending events run before it ends.
    QString text;
    for (int i = 0; i < 400000; ++i)
        text += QStringLiteral("$v%1 ").arg(i);
    CodeEditor editor;
    editor.setText(text);
    FakeHost host;
    host.editor = &editor;
    QPointer<frmVarList> window = new frmVarList(&host);
    window->Timer->stop();
    bool closedDuringScan = false;
    QTimer::singleShot(0, window, [&] {
        closedDuringScan = true;
        window->close();
    });
    window->ScanVariables();
    QVERIFY(closedDuringScan);
    // The scan stopped: the list was never filled.
    QCOMPARE(listed(*window), QStringList({"Generating List.  Please Wait..."}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.isNull());
}

void VariableListTest::openedFromTheViewMenu()
{
    ScriptedDialogService dialogs;
    frmMain main;
    main.activeEditor()->setText(QStringLiteral("$one = $two\r\n"));
    main.mnuVarList->trigger();
    main.mnuErrorCodes->trigger();
    frmVarList* list = main.findChild<frmVarList*>();
    frmWin32Errors* errors = main.findChild<frmWin32Errors*>();
    QVERIFY(list && list->isVisible() && errors && errors->isVisible());
    QTRY_COMPARE(listed(*list), QStringList({"$one", "$two"}));
    // A second use shows the same windows again.
    main.mnuErrorCodes->trigger();
    QCOMPARE(main.findChildren<frmWin32Errors*>().size(), 1);
    // They end with the main window.
    QPointer<frmWin32Errors> errorsLeft(errors);
    main.close();
    QVERIFY(errorsLeft.isNull());
}

QTEST_MAIN(VariableListTest)
#include "test_variable_list.moc"
