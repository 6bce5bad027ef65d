// Code tips, the macro list and the right-click menu of a script document, driven by real key and
// mouse events on an editing control with the KiXtart language; the control's list mechanism; the
// reference tables and the language registry.

#include "CaseFile.h"
#include "EditorText.h"
#include "document/editor/CodeList.h"
#include "document/editor/CodeTip.h"
#include "document/editor/CodeTipsHandler.h"
#include "document/EditMenuHost.h"
#include "document/language/ScriptScan.h"
#include "document/language/CaseInsensitiveOrderedMap.h"
#include "document/language/LanguageRegistry.h"
#include "document/language/modKixLanguage.h"

#include <Qsci/qscilexer.h>

#include <QtWidgets>

namespace {

// The Edit menu's right-click items, recording what each popup showed.
class FakeEditMenu : public EditMenuHost {
public:
    FakeEditMenu()
    {
        for (QAction*& item : labels)
            (item = jumpTo->addAction(QString()))->setVisible(false);
        help->setVisible(false);
        jumpTo->menuAction()->setVisible(false);
    }
    QAction* csHelpItem() const override { return help; }
    QMenu* jumpToLabelMenu() const override { return jumpTo; }
    QAction* jumpNoneItem() const override { return none; }
    QAction* labelMarkerItem(int index) const override { return labels.at(size_t(index)); }
    // "help item's text, * when it is the default item > the jump items shown, a label's line after "=""
    void popUpEditMenu(QAction* defaultItem, const QPoint&) override
    {
        QStringList jumps;
        for (QAction* item : jumpTo->actions())
            if (item->isVisible())
                jumps << item->text() + (item->data().isValid() ? "=" + item->data().toString() : QString());
        shown << (help->isVisible() ? help->text() : QString()) + (!defaultItem ? "" : defaultItem == help ? "*" : "?") +
                     (jumpTo->menuAction()->isVisible() ? " > " + jumps.join(QLatin1Char(',')) : QString());
    }
    // Everything is hidden again once the menu has closed.
    bool anythingVisible() const
    {
        return help->isVisible() || !none->isVisible() || jumpTo->menuAction()->isVisible() ||
               std::any_of(labels.begin(), labels.end(), [](QAction* item) { return item->isVisible(); });
    }

    QMenu menu;
    QAction* help = menu.addAction(QStringLiteral("csHelp"));
    QMenu* jumpTo = menu.addMenu(QStringLiteral("&Jump To..."));
    QAction* none = jumpTo->addAction(QStringLiteral("--None--"));
    std::array<QAction*, LabelItemCount> labels{};
    QStringList shown;
};

bool tipShown(const CodeEditor& editor) { return editor.SendScintilla(QsciScintillaBase::SCI_CALLTIPACTIVE) != 0; }
bool listShown(const CodeEditor& editor) { return editor.SendScintilla(QsciScintillaBase::SCI_AUTOCACTIVE) != 0; }

struct Document {
    FakeEditMenu menus;
    CodeEditor editor;
    CodeTipsHandler* handler;
    Document()
    {
        RegisterKixLanguage();
        editor.SetLanguageName(KixLanguageName);
        handler = new CodeTipsHandler(editor, &menus);
        editor.resize(600, 300);
    }
    void type(const QString& text) { typeInto(editor, text); }
    QString tip() const { return editor.openCodeTip() ? editor.openCodeTip()->TipText() : QStringLiteral("<none>"); }
    void retype(const QString& text) { editor.setText(QString()); type(text); } // in an empty script
    void rightClickAt(int line, int column)
    {
        const long pos = editor.positionFromLineIndex(line, column);
        const QPoint at(int(sci(editor, QsciScintillaBase::SCI_POINTXFROMPOSITION, 0, pos)) + 1,
                        int(sci(editor, QsciScintillaBase::SCI_POINTYFROMPOSITION, 0, pos)) + 2);
        QTest::mousePress(editor.viewport(), Qt::RightButton, {}, at);
        QTest::mouseRelease(editor.viewport(), Qt::RightButton, {}, at);
    }
};

LineSource from(const QStringList& text)
{
    return [text](int line) { return line >= 0 && line < text.size() ? text[line] : QString(); };
}

const QString kMessageBoxTip = QStringLiteral("MessageBox (\"Message\", \"Title\", Style, [Time-out])");

// The list mechanism alone, with a small handler: "@" opens a list of names, a blank closes it.
class ListHandler : public CodeEditorEvents {
public:
    explicit ListHandler(CodeEditor& editor) : editor_(editor) { editor.setEventHandler(this); }
    QStringList log;
    bool insertOnSelect = false;

    bool KeyPress(int code) override
    {
        if (code == ' ' && editor_.openCodeList())
            editor_.openCodeList()->Close();
        if (code == '@')
            editor_.RunCommand(CodeEditor::CmdCodeList);
        return false;
    }
    bool CodeListOpen(CodeList& list) override
    {
        for (const char* name : {"Date", "Day", "MonthNo", "Month"})
            list.AddItem(QString::fromLatin1(name));
        list.SetSelectedIndex(0);
        return true;
    }
    bool CodeListMatch(CodeList& list, int item) override { return (log << "match " + list.ItemText(item), true); }
    bool CodeListSelect(CodeList& l) override { return (log << "select " + l.ItemText(l.SelectedIndex()), insertOnSelect); }
    bool CodeListCancel(CodeList&) override { return (log << QStringLiteral("list cancel"), false); }

private:
    CodeEditor& editor_;
};

// The current argument's part of the tip.
QString highlighted(const CodeTip& t) { const auto span = t.argumentSpan(); return t.TipText().mid(span.first, span.second - span.first); }

} // namespace

class TestCodeTips : public QObject {
    Q_OBJECT
private slots:
    void argumentCountingOverText()
    {
        for (const QStringList& row : cases::table("code_editor.txt", "tip arguments"))
            QVERIFY2(CountTipArgument(0, 4, row[1].toInt(), row[2].toInt(), from(row[0].split('|'))) == row[3].toInt(), qPrintable(row.join(' ')));
    }

    void tipFollowsTheCall()
    {
        Document doc;
        doc.type(QStringLiteral("MessageBox("));
        CodeTip* tip = doc.editor.openCodeTip();
        QVERIFY(tip && tipShown(doc.editor) && tip->TipText() == kMessageBoxTip);
        QCOMPARE(highlighted(*tip), QStringLiteral("\"Message\""));
        doc.type(QStringLiteral("\"Hi, you\", ")); // the comma in the string counts
        QCOMPARE(QString::number(tip->CurrentArgument()) + highlighted(*tip), QStringLiteral("2Style"));
        doc.type(QStringLiteral(")"));
        QVERIFY(!tipShown(doc.editor) && !doc.editor.openCodeTip() && !doc.handler->OpenTip);

        // While the tip is open, names typed inside the call do not take it over.
        doc.retype(QStringLiteral("MessageBox(AT,"));
        tip = doc.editor.openCodeTip();
        QVERIFY(tip && tip->TipText() == kMessageBoxTip && tip->CurrentArgument() == 1);
        // Text the program puts in is followed once the event loop runs; Escape closes the tip.
        doc.editor.InsertTextAt(QStringLiteral("1,"), {0, 11});
        doc.editor.SetSelectionRange({0, 16, 0, 16});
        QTRY_COMPARE(tip->CurrentArgument(), 2);
        QTest::keyClick(&doc.editor, Qt::Key_Escape);
        QVERIFY(!tipShown(doc.editor) && !doc.editor.openCodeTip() && !doc.handler->OpenTip);

        // Moving the caret before the "(" closes it; at the "(" it stays.
        doc.retype(QStringLiteral("$x = messagebox(1"));
        QCOMPARE(doc.tip(), QStringLiteral("messagebox (\"Message\", \"Title\", Style, [Time-out])")); // as typed
        for (bool shown : {true, false}) {
            QTest::keyClick(&doc.editor, Qt::Key_Left);
            QVERIFY(tipShown(doc.editor) == shown && bool(doc.handler->OpenTip) == shown);
        }

        // So does a caret the program moves before it.
        doc.type(QStringLiteral("("));
        QVERIFY(tipShown(doc.editor));
        doc.editor.SetSelectionRange({0, 15, 0, 15});
        QTRY_VERIFY(!tipShown(doc.editor) && !doc.handler->OpenTip);

        // The script's own functions have tips too; the reference table wins for its own names.
        setMarked(doc.editor, QStringLiteral("Function MyFunc($a, optional $b)\nEndFunction\n"
                                             "Function messagebox($shadow)\nEndFunction\n|"));
        QStringList tips;
        for (const char* typed : {"$r = myfunc(", "1, 2)\nMessageBox(", ")\nNotMine("})
            doc.type(QString::fromLatin1(typed)), tips << doc.tip();
        QCOMPARE(tips, QStringList({"myfunc ($a, optional $b)", kMessageBoxTip, "<none>"}));
    }

    void noTipWhereNoneBelongs()
    {
        // Commands without parameters, unknown words, comments and strings: each asks, none opens.
        Document doc;
        for (const char* typed : {"Beep(", "KBHit(", "NoSuchThing(", "; MessageBox(", "AT \"x("}) {
            doc.retype(QString::fromLatin1(typed));
            QVERIFY2(!tipShown(doc.editor) && !doc.editor.openCodeTip(), typed);
        }
        // The word is taken as typed before "(": a blank between keeps the previous word.
        doc.type(QStringLiteral("\nAT ("));
        QVERIFY(tipShown(doc.editor) && doc.tip() == QStringLiteral("AT (Row, Column)"));
        doc.type(QStringLiteral(")\n; mail @"));
        QVERIFY(!listShown(doc.editor) && !doc.editor.openCodeList() && !doc.handler->OpenCodeList);
    }

    void macroListNarrowsAndCloses()
    {
        Document doc;
        doc.type(QStringLiteral("? @"));
        CodeList* list = doc.editor.openCodeList();
        QVERIFY(list && listShown(doc.editor) && list->ItemCount() == 54 && list->SelectedIndex() == 0);
        // MONTH may still become MONTHNO: "no" keeps the list open, another letter after a complete
        // name closes it; so does a blank, and a key typed once the caret is back at the "@".
        for (const auto& [typed, shown] : {std::pair{"MONTHno", true}, {"x", false}, {" @da ", false}, {"@", true}}) {
            doc.type(QString::fromLatin1(typed));
            QVERIFY2(listShown(doc.editor) == shown && bool(doc.handler->OpenCodeList) == shown, typed);
        }
        doc.editor.SetSelectionRange({0, 16, 0, 16}); // moved by the program: the list stays until a key
        doc.type(QStringLiteral("q"));
        QVERIFY(!listShown(doc.editor) && !doc.handler->OpenCodeList && !doc.handler->ListAnchor);
        QCOMPARE(doc.editor.Text(), QStringLiteral("? @MONTHnox @da q@"));

        // A chosen item replaces what was typed; nothing typed: it goes in at the caret. Either way
        // the caret lands right after the name, where the next key goes.
        setMarked(doc.editor, QStringLiteral("$e = |+1"));
        doc.type(QStringLiteral("@da"));
        QTest::keyClick(&doc.editor, Qt::Key_Tab);
        QVERIFY(!listShown(doc.editor) && !doc.handler->OpenCodeList);
        doc.type(QStringLiteral("Z"));
        setMarked(doc.editor, doc.editor.Text() + QStringLiteral("\n|x"));
        doc.type(QStringLiteral("@"));
        QTest::keyClick(&doc.editor, Qt::Key_Down);
        QTest::keyClick(&doc.editor, Qt::Key_Return);
        doc.type(QStringLiteral("Z"));
        QCOMPARE(doc.editor.Text(), QStringLiteral("$e = @DATEZ+1\n@BUILDZx"));
    }

    void rightClickMenu()
    {
        Document doc;
        doc.editor.setText(QStringLiteral("messagebox date EndI zzz\n\n:Only"));
        // No help caption: no help item, no default item.
        for (const auto& [line, column, caption] : {std::tuple{0, 3, "messagebox Help...*"}, {0, 13, "@date Help...*"},
                                                    {0, 18, "EndI Help...*"}, {0, 22, ""}, {1, 0, ""}}) {
            doc.rightClickAt(line, column);
            QCOMPARE(doc.menus.shown.last(), QString::fromLatin1(caption) + " > Only=2");
            QVERIFY(!doc.menus.anythingVisible());
        }
        // The menu key opens it for the word at the caret; the left button opens nothing.
        doc.editor.SetSelectionRange({0, 15, 0, 15});
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(0, 0), doc.editor.mapToGlobal(QPoint(0, 0)));
        QApplication::sendEvent(&doc.editor, &menuKey);
        QTest::mouseClick(doc.editor.viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(doc.menus.shown.mid(5), QStringList{"@date Help...* > Only=2"});

        // Only a ":" at the line start followed by a name makes a label; twenty at most are listed.
        QStringList script;
        for (int i = 0; i < 25; ++i)
            script << QStringLiteral(":Label%1").arg(i) << QStringLiteral("Goto Label%1").arg(i);
        script.insert(1, QStringLiteral(" :indented\n: blank\n::"));
        doc.editor.setText(script.join(QLatin1Char('\n')));
        doc.rightClickAt(5, 2);
        QVERIFY(doc.menus.shown.last().startsWith(" > Label0=0,Label1=5,Label2=7,") && doc.menus.shown.last().endsWith(",Label19=41"));
        QVERIFY(doc.menus.shown.last().count(QLatin1Char(',')) == 19 && !doc.menus.anythingVisible());
        doc.editor.setText(QStringLiteral("zzz"));
        doc.rightClickAt(0, 1);
        QCOMPARE(doc.menus.shown.last(), QStringLiteral(" > --None--"));
    }

    // ---- The mechanism of the editing control ----------------------------------------------

    void listNarrowsSelectsAndCancels()
    {
        CodeEditor editor;
        ListHandler handler(editor);
        QTest::keyClicks(&editor, QStringLiteral("? @"));
        CodeList* list = editor.openCodeList();
        QVERIFY(list && listShown(editor));
        QCOMPARE(editor.Text(), QStringLiteral("? @")); // the "@" went in before the list opened

        for (const auto& [typed, selected] : {std::pair{"mo", "Month"}, {"nthn", "MonthNo"}}) {
            QTest::keyClicks(&editor, QString::fromLatin1(typed));
            QCOMPARE(list->ItemText(list->SelectedIndex()) + " " + handler.log.last(), selected + QString(" match ") + selected);
        }

        // The handler leaves the insertion to the control: the item replaces the typed name.
        handler.insertOnSelect = true;
        QTest::keyClick(&editor, Qt::Key_Return);
        QVERIFY(!listShown(editor) && !editor.openCodeList());
        QCOMPARE(handler.log.last() + "|" + editor.Text(), QStringLiteral("select MonthNo|? @MonthNo"));
        // A handler that inserts by itself gets no help from the control.
        handler.insertOnSelect = false;
        QTest::keyClicks(&editor, QStringLiteral(" @da"));
        QTest::keyClick(&editor, Qt::Key_Tab);
        QCOMPARE(handler.log.last() + "|" + editor.Text(), QStringLiteral("select Date|? @MonthNo @da"));

        // Escape, Close() from the handler (a blank typed) and a name no item starts with each
        // close the list and report one cancel.
        editor.setText(QString());
        QTest::keyClicks(&editor, QStringLiteral("@d"));
        handler.log.clear();
        QTest::keyClick(&editor, Qt::Key_Escape);
        QTest::keyClicks(&editor, QStringLiteral("@ @xq"));
        QVERIFY(!listShown(editor) && !editor.openCodeList() && editor.Text() == QStringLiteral("@d@ @xq"));
        QCOMPARE(handler.log, QStringList(3, QStringLiteral("list cancel")));
    }

    // ---- The reference tables and the language registry ------------------------------------

    void tablesAndRegistry()
    {
        // The tables' map keeps the first spelling of a key and one entry per key, in any letter case.
        CaseInsensitiveOrderedMap map;
        QVERIFY(map.insert("MessageBox", 1) && !map.insert("MESSAGEBOX", QString("x")) && map.insert(QString::fromUtf8("Ärger"), 1));
        for (const auto& [probe, found] : {std::pair{"äRGER", true}, {"ÄRGER", true}, {"Arger", false}, {"Straße", false}})
            QCOMPARE(map.contains(QString::fromUtf8(probe)), found);
        QVERIFY(map.count() == 2 && map.storedKey("messagebox") == QString("MessageBox"));
        // The value is replaced, the spelling kept.
        QVERIFY(CaseInsensitiveOrderedMap::isText(*map.value("messageBOX")) && !map.value("Message").has_value());

        CommandTable.insert("Extra", 1);
        BuildReferenceTables();
        BuildReferenceTables(); // rebuilt, not added to
        QVERIFY(CommandTable.count() == 135 && MacroTable.count() == 54);
        QVERIFY(!CommandTable.contains("Extra") && !CommandTable.contains("If")); // scope words are not commands
        const auto def = RegisterKixLanguage();
        QVERIFY(def && !def->caseSensitive() && LanguageRegistry::instance().find("kixtart") == def);

        // A later registration under any case replaces an earlier one.
        auto& registry = LanguageRegistry::instance();
        auto second = std::make_shared<LanguageDefinition>();
        registry.RegisterLanguage("TestLang", std::make_shared<LanguageDefinition>());
        registry.RegisterLanguage("TESTLANG", second);
        QCOMPARE(registry.find("testLANG"), std::shared_ptr<const LanguageDefinition>(second));
        QObject owner;
        QsciLexer* lexer = registry.createLexer("testLang", &owner);
        QVERIFY(!registry.createLexer("NoSuchLanguage", &owner) && lexer && lexer->parent() == &owner);
    }
};

QTEST_MAIN(TestCodeTips)
#include "test_code_tips.moc"
