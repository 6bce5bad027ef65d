// Code tips, the macro list and the right-click menu of a script document, driven by real key and
// mouse events on an editing control with the KiXtart language; the scans they use, on plain text.

#include "document/CodeList.h"
#include "document/CodeTip.h"
#include "document/CodeTipsHandler.h"
#include "document/EditMenuHost.h"
#include "document/ScriptScan.h"
#include "document/modKixLanguage.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>

namespace {

// The Edit menu's right-click items, with what was visible when the menu popped up.
class FakeEditMenu : public EditMenuHost {
public:
    FakeEditMenu()
    {
        help = menu.addAction(QStringLiteral("csHelp"));
        help->setVisible(false);
        jumpTo = menu.addMenu(QStringLiteral("&Jump To..."));
        jumpTo->menuAction()->setVisible(false);
        none = jumpTo->addAction(QStringLiteral("--None--"));
        for (QAction*& item : labels) {
            item = jumpTo->addAction(QString());
            item->setVisible(false);
        }
    }
    QAction* csHelpItem() const override { return help; }
    QMenu* jumpToLabelMenu() const override { return jumpTo; }
    QAction* jumpNoneItem() const override { return none; }
    QAction* labelMarkerItem(int index) const override { return labels.at(size_t(index)); }
    void popUpEditMenu(QAction* defaultItem, const QPoint&) override
    {
        ++popups;
        helpShown = help->isVisible() ? help->text() : QString();
        defaultShown = defaultItem;
        noneShown = none->isVisible();
        jumpShown = jumpTo->menuAction()->isVisible();
        labelsShown.clear();
        for (QAction* item : labels)
            if (item->isVisible())
                labelsShown << item->text() + QLatin1Char('=') + item->data().toString();
    }
    bool anythingVisible() const
    {
        bool visible = help->isVisible() || !none->isVisible() || jumpTo->menuAction()->isVisible();
        for (QAction* item : labels)
            visible = visible || item->isVisible();
        return visible;
    }

    QMenu menu;
    QAction* help;
    QMenu* jumpTo;
    QAction* none;
    std::array<QAction*, LabelItemCount> labels{};
    int popups = 0;
    QString helpShown;
    QAction* defaultShown = nullptr;
    bool noneShown = false;
    bool jumpShown = false;
    QStringList labelsShown;
};

// Counts the tip command reaching the handler.
class CountingHandler : public CodeTipsHandler {
public:
    using CodeTipsHandler::CodeTipsHandler;
    int tipRequests = 0;
    int CodeTipOpen() override
    {
        ++tipRequests;
        return CodeTipsHandler::CodeTipOpen();
    }
};

struct Document {
    FakeEditMenu menus;
    CodeEditor editor;
    CountingHandler* handler;
    Document()
    {
        RegisterKixLanguage();
        editor.SetLanguageName(KixLanguageName);
        handler = new CountingHandler(editor, &menus);
        editor.resize(600, 300);
    }
    bool tipShown() const { return editor.SendScintilla(QsciScintillaBase::SCI_CALLTIPACTIVE) != 0; }
    bool listShown() const { return editor.SendScintilla(QsciScintillaBase::SCI_AUTOCACTIVE) != 0; }
    void type(const QString& text)
    {
        const QStringList parts = text.split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < parts.size(); ++i) {
            if (i > 0)
                QTest::keyClick(&editor, Qt::Key_Return);
            QTest::keyClicks(&editor, parts[i]);
        }
    }
    void rightClickAt(int line, int column)
    {
        const long pos = editor.positionFromLineIndex(line, column);
        const int x = int(editor.SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, pos));
        const int y = int(editor.SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, pos));
        QTest::mousePress(editor.viewport(), Qt::RightButton, {}, QPoint(x + 1, y + 2));
        QTest::mouseRelease(editor.viewport(), Qt::RightButton, {}, QPoint(x + 1, y + 2));
    }
};

QStringList lines(const QString& text) { return text.split(QLatin1Char('\n')); }

LineSource from(const QStringList& text)
{
    return [text](int line) { return line >= 0 && line < text.size() ? text[line] : QString(); };
}

const QString kMessageBoxTip = QStringLiteral("MessageBox (\"Message\", \"Title\", Style, [Time-out])");

} // namespace

class TestCodeTips : public QObject {
    Q_OBJECT
private slots:
    void argumentCountingOverText();
    void labelScanOverText();
    void tipFollowsTheCall();
    void tipOnlyForCommandsWithParameters();
    void noTipOrListInCommentsAndStrings();
    void macroListNarrowsAndCloses();
    void chosenMacroReplacesTypedPart();
    void rightClickHelpCaptions();
    void rightClickListsLabels();
};

void TestCodeTips::argumentCountingOverText()
{
    // Anchor just after "(" at column 4.
    const QStringList one = {QStringLiteral("Box(1, \"a,b\", Chr(3), 4")};
    QCOMPARE(CountTipArgument(0, 4, 0, 4, from(one)), 0);
    QCOMPARE(CountTipArgument(0, 4, 0, 6, from(one)), 1);
    // Commas in strings count; a nested call's ")" closes.
    QCOMPARE(CountTipArgument(0, 4, 0, 12, from(one)), 2);
    QCOMPARE(CountTipArgument(0, 4, 0, 13, from(one)), 3);
    QCOMPARE(CountTipArgument(0, 4, 0, 24, from(one)), -1);
    // A caret past the line's end takes the whole line.
    QCOMPARE(CountTipArgument(0, 4, 0, 99, {from({QStringLiteral("Box(1,2")})}), 1);
    // Every following line is read from the anchor's column on: its first characters are skipped.
    const QStringList two = lines(QStringLiteral("Box(1,\n,,,,,,7,8"));
    QCOMPARE(CountTipArgument(0, 4, 1, 9, from(two)), 4);
}

void TestCodeTips::labelScanOverText()
{
    QCOMPARE(WordBeforeColumn(QStringLiteral(":Start here"), 1), QStringLiteral(":"));
    QCOMPARE(WordBeforeColumn(QStringLiteral(":Start here"), 2), QStringLiteral("Start"));
    QCOMPARE(WordBeforeColumn(QStringLiteral("x"), 0), QString());

    QStringList script;
    for (int i = 0; i < 25; ++i)
        script << QStringLiteral(":L%1").arg(i) << QStringLiteral("? \"x\"");
    script.insert(1, QStringLiteral(" :indented"));
    script.insert(1, QStringLiteral(": blank"));
    script.insert(1, QStringLiteral("::"));
    const QList<ScriptLabel> labels = FindLabels(int(script.size()), from(script), 20);
    QCOMPARE(labels.size(), 20);
    QCOMPARE(labels.first().name, QStringLiteral("L0"));
    QCOMPARE(labels.first().line, 0);
    QCOMPARE(labels[1].name, QStringLiteral("L1"));
    QCOMPARE(labels[1].line, 5);
    QCOMPARE(labels.last().name, QStringLiteral("L19"));
}

void TestCodeTips::tipFollowsTheCall()
{
    Document doc;
    doc.type(QStringLiteral("MessageBox("));
    CodeTip* tip = doc.editor.openCodeTip();
    QVERIFY(tip && doc.tipShown());
    QCOMPARE(doc.handler->OpenTip, tip);
    QCOMPARE(tip->TipText(), kMessageBoxTip);
    QCOMPARE(tip->CurrentArgument(), 0);
    QCOMPARE(doc.handler->TipAnchor.EndColumn, 11);
    doc.type(QStringLiteral("\"Hi, you\""));
    QCOMPARE(tip->CurrentArgument(), 1); // the comma in the string counts
    doc.type(QStringLiteral(", "));
    QCOMPARE(tip->CurrentArgument(), 2);
    doc.type(QStringLiteral(")"));
    QVERIFY(!doc.tipShown() && !doc.editor.openCodeTip());
    QVERIFY(!doc.handler->OpenTip);

    // While the tip is open, names typed inside the call do not take it over.
    doc.editor.setText(QString());
    doc.type(QStringLiteral("MessageBox(AT,"));
    tip = doc.editor.openCodeTip();
    QVERIFY(tip);
    QCOMPARE(tip->TipText(), kMessageBoxTip);
    QCOMPARE(tip->CurrentArgument(), 1);
    QCOMPARE(doc.handler->TipWord, QStringLiteral("MessageBox"));

    // Moving the caret before the "(" closes it; at the "(" it stays.
    doc.editor.setText(QString());
    doc.type(QStringLiteral("$x = messagebox(1"));
    tip = doc.editor.openCodeTip();
    QVERIFY(tip);
    QCOMPARE(tip->TipText(), QStringLiteral("messagebox (\"Message\", \"Title\", Style, [Time-out])"));
    QTest::keyClick(&doc.editor, Qt::Key_Left);
    QVERIFY(doc.tipShown());
    QTest::keyClick(&doc.editor, Qt::Key_Left);
    QVERIFY(!doc.tipShown() && !doc.handler->OpenTip);

    // So does a caret the program moves before it.
    doc.type(QStringLiteral("("));
    QVERIFY(doc.tipShown());
    doc.editor.SetSelectionRange({0, 15, 0, 15});
    QTRY_VERIFY(!doc.tipShown() && !doc.handler->OpenTip);
}

void TestCodeTips::tipOnlyForCommandsWithParameters()
{
    Document doc;
    doc.type(QStringLiteral("Beep("));
    QCOMPARE(doc.handler->tipRequests, 1);
    QVERIFY(!doc.tipShown() && !doc.editor.openCodeTip());
    doc.type(QStringLiteral(")\nKBHit("));
    QCOMPARE(doc.handler->tipRequests, 1);
    QVERIFY(!doc.tipShown());
    doc.type(QStringLiteral(")\nNoSuchThing("));
    QCOMPARE(doc.handler->tipRequests, 1);
    // The word is taken as typed before "(": a blank between keeps the previous word.
    doc.type(QStringLiteral(")\nAT ("));
    QCOMPARE(doc.handler->tipRequests, 2);
    QVERIFY(doc.tipShown());
    QCOMPARE(doc.editor.openCodeTip()->TipText(), QStringLiteral("AT (Row, Column)"));
}

void TestCodeTips::noTipOrListInCommentsAndStrings()
{
    Document doc;
    doc.type(QStringLiteral("; MessageBox("));
    QCOMPARE(doc.handler->tipRequests, 1);
    QVERIFY(!doc.tipShown() && !doc.editor.openCodeTip());
    // In a string the word before the string stays the tip's word.
    doc.type(QStringLiteral("\nAT \"x("));
    QCOMPARE(doc.handler->tipRequests, 2);
    QVERIFY(!doc.tipShown());
    doc.type(QStringLiteral("\n; mail @"));
    QVERIFY(!doc.listShown() && !doc.editor.openCodeList() && !doc.handler->OpenCodeList);
    QCOMPARE(doc.editor.LineText(2), QStringLiteral("; mail @"));
}

void TestCodeTips::macroListNarrowsAndCloses()
{
    Document doc;
    doc.type(QStringLiteral("? @"));
    CodeList* list = doc.editor.openCodeList();
    QVERIFY(list && doc.listShown());
    QCOMPARE(doc.handler->OpenCodeList, list);
    QCOMPARE(list->ItemCount(), 54);
    QCOMPARE(list->ItemText(0), QStringLiteral("ADDRESS"));
    QCOMPARE(list->SelectedIndex(), 0);
    QCOMPARE(doc.handler->ListAnchor->EndColumn, 2);

    // MONTH may still become MONTHNO: "n" keeps the list open, another letter after a complete
    // name closes it.
    doc.type(QStringLiteral("MONTH"));
    QVERIFY(doc.handler->PartialNameTyped);
    doc.type(QStringLiteral("n"));
    QVERIFY(doc.listShown() && doc.handler->OpenCodeList);
    doc.type(QStringLiteral("o"));
    QVERIFY(doc.listShown());
    doc.type(QStringLiteral("x"));
    QVERIFY(!doc.listShown() && !doc.handler->OpenCodeList && !doc.handler->ListAnchor);
    QCOMPARE(doc.editor.Text(), QStringLiteral("? @MONTHnox"));

    doc.type(QStringLiteral(" @DATE"));
    QVERIFY(doc.listShown());
    doc.type(QStringLiteral("s"));
    QVERIFY(!doc.listShown());

    // A blank closes it, and so does a key typed once the caret is back at the "@".
    doc.type(QStringLiteral(" @da "));
    QVERIFY(!doc.listShown() && !doc.handler->OpenCodeList);
    doc.type(QStringLiteral("@"));
    QVERIFY(doc.listShown());
    QTest::keyClick(&doc.editor, Qt::Key_Left);
    doc.type(QStringLiteral("q"));
    QVERIFY(!doc.listShown() && !doc.handler->OpenCodeList);
}

void TestCodeTips::chosenMacroReplacesTypedPart()
{
    Document doc;
    doc.type(QStringLiteral("$d = @mo"));
    QVERIFY(doc.listShown());
    QTest::keyClick(&doc.editor, Qt::Key_Tab);
    QVERIFY(!doc.listShown() && !doc.handler->OpenCodeList);
    QCOMPARE(doc.editor.Text(), QStringLiteral("$d = @MONTH"));
    QVERIFY(!doc.handler->PartialNameTyped && !doc.handler->ListAnchor);
    Range caret = doc.editor.GetSelectionRange(true);
    QCOMPARE(caret.EndColumn, 11);

    // Nothing typed: the chosen item goes in at the caret; the caret lands one character past it.
    doc.editor.setText(QStringLiteral("x"));
    doc.editor.SetSelectionRange({0, 0, 0, 0});
    doc.type(QStringLiteral("@"));
    QTest::keyClick(&doc.editor, Qt::Key_Down);
    QTest::keyClick(&doc.editor, Qt::Key_Return);
    QCOMPARE(doc.editor.Text(), QStringLiteral("@BUILDx"));
    caret = doc.editor.GetSelectionRange(true);
    QCOMPARE(caret.EndColumn, 7);
}

void TestCodeTips::rightClickHelpCaptions()
{
    Document doc;
    doc.editor.setText(QStringLiteral("messagebox date EndI zzz\n\n"));
    struct Case {
        int column;
        QString caption; // empty: no help item, no default item
    };
    const QList<Case> cases = {{3, QStringLiteral("messagebox Help...")},
                               {13, QStringLiteral("@date Help...")},
                               {18, QStringLiteral("EndI Help...")},
                               {22, QString()}};
    for (const Case& c : cases) {
        doc.rightClickAt(0, c.column);
        QCOMPARE(doc.menus.helpShown, c.caption);
        QCOMPARE(doc.menus.defaultShown, c.caption.isEmpty() ? nullptr : doc.menus.help);
        QVERIFY(!doc.menus.anythingVisible());
    }
    doc.rightClickAt(1, 0); // an empty line
    QCOMPARE(doc.menus.popups, 5);
    QCOMPARE(doc.menus.helpShown, QString());
    QCOMPARE(doc.menus.defaultShown, nullptr);
    // The menu key opens it for the word at the caret.
    doc.editor.SetSelectionRange({0, 15, 0, 15});
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(0, 0), doc.editor.mapToGlobal(QPoint(0, 0)));
    QApplication::sendEvent(&doc.editor, &menuKey);
    QCOMPARE(doc.menus.popups, 6);
    QCOMPARE(doc.menus.helpShown, QStringLiteral("@date Help..."));
    // The left button opens nothing.
    QTest::mouseClick(doc.editor.viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(doc.menus.popups, 6);
}

void TestCodeTips::rightClickListsLabels()
{
    Document doc;
    doc.rightClickAt(0, 0);
    QVERIFY(doc.menus.jumpShown && doc.menus.noneShown);
    QVERIFY(doc.menus.labelsShown.isEmpty());

    QStringList script;
    for (int i = 0; i < 25; ++i)
        script << QStringLiteral(":Label%1").arg(i) << QStringLiteral("Goto Label%1").arg(i);
    doc.editor.setText(script.join(QLatin1Char('\n')));
    doc.rightClickAt(3, 2);
    QVERIFY(doc.menus.jumpShown && !doc.menus.noneShown);
    QCOMPARE(doc.menus.labelsShown.size(), 20);
    QCOMPARE(doc.menus.labelsShown.first(), QStringLiteral("Label0=0"));
    QCOMPARE(doc.menus.labelsShown[1], QStringLiteral("Label1=2"));
    QCOMPARE(doc.menus.labelsShown.last(), QStringLiteral("Label19=38"));
    QVERIFY(!doc.menus.anythingVisible());
}

QTEST_MAIN(TestCodeTips)
#include "test_code_tips.moc"
