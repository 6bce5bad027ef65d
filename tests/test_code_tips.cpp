// Code tips, the macro list and the right-click menu of a script document, driven by real key and
// mouse events on an editing control with the KiXtart language; the control's tip and list mechanism;
// the reference tables and the language registry.

#include "EditorText.h"
#include "document/CodeList.h"
#include "document/CodeTip.h"
#include "document/CodeTipsHandler.h"
#include "document/EditMenuHost.h"
#include "document/ScriptScan.h"
#include "document/CaseInsensitiveOrderedMap.h"
#include "document/LanguageRegistry.h"
#include "document/modKixLanguage.h"

#include <Qsci/qscilexer.h>

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
        jumpTo = menu.addMenu(QStringLiteral("&Jump To..."));
        none = jumpTo->addAction(QStringLiteral("--None--"));
        for (QAction*& item : labels)
            item = jumpTo->addAction(QString());
        help->setVisible(false);
        jumpTo->menuAction()->setVisible(false);
        for (QAction* item : labels)
            item->setVisible(false);
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
    // Everything is hidden again once the menu has closed.
    bool anythingVisible() const
    {
        return help->isVisible() || !none->isVisible() || jumpTo->menuAction()->isVisible() ||
               std::any_of(labels.begin(), labels.end(), [](QAction* item) { return item->isVisible(); });
    }

    QMenu menu;
    QAction *help, *none;
    QMenu* jumpTo;
    std::array<QAction*, LabelItemCount> labels{};
    int popups = 0;
    QString helpShown;
    QAction* defaultShown = nullptr;
    bool noneShown = false, jumpShown = false;
    QStringList labelsShown;
};

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
    bool tipShown() const { return editor.SendScintilla(QsciScintillaBase::SCI_CALLTIPACTIVE) != 0; }
    bool listShown() const { return editor.SendScintilla(QsciScintillaBase::SCI_AUTOCACTIVE) != 0; }
    void type(const QString& text) { typeInto(editor, text); }
    void rightClickAt(int line, int column)
    {
        const long pos = editor.positionFromLineIndex(line, column);
        const int x = int(editor.SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, pos));
        const int y = int(editor.SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, pos));
        QTest::mousePress(editor.viewport(), Qt::RightButton, {}, QPoint(x + 1, y + 2));
        QTest::mouseRelease(editor.viewport(), Qt::RightButton, {}, QPoint(x + 1, y + 2));
    }
};

LineSource from(const QStringList& text)
{
    return [text](int line) { return line >= 0 && line < text.size() ? text[line] : QString(); };
}

using Map = CaseInsensitiveOrderedMap;

const QString kMessageBoxTip = QStringLiteral("MessageBox (\"Message\", \"Title\", Style, [Time-out])");

// The mechanism alone, with a small handler: "(" after "Foo" asks for a tip following the commas
// typed; "@" opens a list of names.
class AssistHandler : public CodeEditorEvents {
public:
    explicit AssistHandler(CodeEditor& editor) : editor_(editor) { editor.setEventHandler(this); }
    QStringList log;
    bool insertOnSelect = false;

    bool KeyPress(int code) override
    {
        if (code == ' ' && editor_.openCodeList())
            editor_.openCodeList()->Close();
        if (code == '(') {
            tipWord_ = editor_.CaretWord(); // the "(" is not in yet
            editor_.RunCommand(CodeEditor::CmdCodeTip);
        }
        if (code == '@')
            editor_.RunCommand(CodeEditor::CmdCodeList);
        return false;
    }
    int CodeTipOpen() override { return tipWord_ == QLatin1String("Foo") ? 4 : 0; }
    int CodeTipUpdate(CodeTip& tip) override
    {
        const Range caret = editor_.GetSelectionRange(true);
        if (tip.TipText().isEmpty()) {
            argumentsStart_ = caret.EndColumn + 1;
            tip.SetTipText(QStringLiteral("Foo (a, b, c)"));
            tip.SetCurrentArgument(0);
            return 0;
        }
        const QString typed = editor_.LineText(caret.EndLine).left(caret.EndColumn).mid(argumentsStart_);
        if (caret.EndColumn < argumentsStart_ || typed.contains(QLatin1Char(')')))
            tip.Close();
        else
            tip.SetCurrentArgument(int(typed.count(QLatin1Char(','))));
        return 0;
    }
    bool CodeTipCancel(CodeTip&) override { return (log << QStringLiteral("tip cancel"), false); }
    bool CodeListOpen(CodeList& list) override
    {
        for (const char* name : {"Date", "Day", "MonthNo", "Month"})
            list.AddItem(QString::fromLatin1(name));
        list.SetSelectedIndex(0);
        return true;
    }
    bool CodeListMatch(CodeList& list, int item) override { return (log << "match " + list.ItemText(item), true); }
    bool CodeListSelect(CodeList& list) override
    {
        return (log << "select " + list.ItemText(list.SelectedIndex()), insertOnSelect);
    }
    bool CodeListCancel(CodeList&) override { return (log << QStringLiteral("list cancel"), false); }

private:
    CodeEditor& editor_;
    QString tipWord_;
    int argumentsStart_ = 0;
};

bool tipShown(const CodeEditor& editor) { return editor.SendScintilla(QsciScintillaBase::SCI_CALLTIPACTIVE) != 0; }
bool listShown(const CodeEditor& editor) { return editor.SendScintilla(QsciScintillaBase::SCI_AUTOCACTIVE) != 0; }

QString highlighted(const CodeTip& tip)
{
    const auto [start, end] = tip.argumentSpan();
    return tip.TipText().mid(start, end - start);
}

} // namespace

class TestCodeTips : public QObject {
    Q_OBJECT
private slots:
    void argumentCountingOverText()
    {
        // Anchor just after "(" at column 4; commas in strings count, a nested call's ")" closes,
        // a caret past the line's end takes the whole line.
        const QStringList one = {QStringLiteral("Box(1, \"a,b\", Chr(3), 4")};
        for (const auto& [column, argument] : {std::pair{4, 0}, {6, 1}, {12, 2}, {13, 3}, {24, -1}})
            QCOMPARE(CountTipArgument(0, 4, 0, column, from(one)), argument);
        QCOMPARE(CountTipArgument(0, 4, 0, 99, from({QStringLiteral("Box(1,2")})), 1);
        // Every following line is read from the anchor's column on: its first characters are skipped.
        QCOMPARE(CountTipArgument(0, 4, 1, 9, from({QStringLiteral("Box(1,"), QStringLiteral(",,,,,,7,8")})), 4);
    }

    void tipFollowsTheCall()
    {
        Document doc;
        doc.type(QStringLiteral("MessageBox("));
        CodeTip* tip = doc.editor.openCodeTip();
        QVERIFY(tip && doc.tipShown());
        QCOMPARE(tip->TipText(), kMessageBoxTip);
        QCOMPARE(tip->CurrentArgument(), 0);
        doc.type(QStringLiteral("\"Hi, you\", "));
        QCOMPARE(tip->CurrentArgument(), 2); // the comma in the string counts
        doc.type(QStringLiteral(")"));
        QVERIFY(!doc.tipShown() && !doc.editor.openCodeTip() && !doc.handler->OpenTip);

        // While the tip is open, names typed inside the call do not take it over.
        doc.editor.setText(QString());
        doc.type(QStringLiteral("MessageBox(AT,"));
        tip = doc.editor.openCodeTip();
        QVERIFY(tip && tip->TipText() == kMessageBoxTip);
        QCOMPARE(tip->CurrentArgument(), 1);

        // Moving the caret before the "(" closes it; at the "(" it stays.
        doc.editor.setText(QString());
        doc.type(QStringLiteral("$x = messagebox(1"));
        tip = doc.editor.openCodeTip();
        QVERIFY(tip);
        QCOMPARE(tip->TipText(), QStringLiteral("messagebox (\"Message\", \"Title\", Style, [Time-out])")); // as typed
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

    void noTipWhereNoneBelongs()
    {
        // Commands without parameters, unknown words, comments and strings: each asks, none opens.
        Document doc;
        for (const char* typed : {"Beep(", "KBHit(", "NoSuchThing(", "; MessageBox(", "AT \"x("}) {
            doc.editor.setText(QString());
            doc.type(QString::fromLatin1(typed));
            QVERIFY2(!doc.tipShown() && !doc.editor.openCodeTip(), typed);
        }
        // The word is taken as typed before "(": a blank between keeps the previous word.
        doc.type(QStringLiteral("\nAT ("));
        QVERIFY(doc.tipShown());
        QCOMPARE(doc.editor.openCodeTip()->TipText(), QStringLiteral("AT (Row, Column)"));
        doc.type(QStringLiteral(")\n; mail @"));
        QVERIFY(!doc.listShown() && !doc.editor.openCodeList() && !doc.handler->OpenCodeList);
    }

    void macroListNarrowsAndCloses()
    {
        Document doc;
        doc.type(QStringLiteral("? @"));
        CodeList* list = doc.editor.openCodeList();
        QVERIFY(list && doc.listShown());
        QCOMPARE(list->ItemCount(), 54);
        QCOMPARE(list->SelectedIndex(), 0);
        // MONTH may still become MONTHNO: "no" keeps the list open, another letter after a complete
        // name closes it; so does a blank, and a key typed once the caret is back at the "@".
        for (const auto& [typed, shown] : {std::pair{"MONTHno", true}, {"x", false}, {" @da ", false}, {"@", true}}) {
            doc.type(QString::fromLatin1(typed));
            QVERIFY2(doc.listShown() == shown && bool(doc.handler->OpenCodeList) == shown, typed);
        }
        doc.editor.SetSelectionRange({0, 16, 0, 16}); // moved by the program: the list stays until a key
        doc.type(QStringLiteral("q"));
        QVERIFY(!doc.listShown() && !doc.handler->OpenCodeList && !doc.handler->ListAnchor);
        QCOMPARE(doc.editor.Text(), QStringLiteral("? @MONTHnox @da q@"));

        // A chosen item replaces what was typed; nothing typed: it goes in at the caret. Either way
        // the caret lands right after the name, where the next key goes.
        doc.editor.setText(QStringLiteral("$e = +1"));
        doc.editor.SetSelectionRange({0, 5, 0, 5});
        doc.type(QStringLiteral("@da"));
        QVERIFY(doc.listShown());
        QTest::keyClick(&doc.editor, Qt::Key_Tab);
        QVERIFY(!doc.listShown() && !doc.handler->OpenCodeList);
        doc.type(QStringLiteral("Z"));
        QCOMPARE(doc.editor.Text(), QStringLiteral("$e = @DATEZ+1"));
        doc.editor.setText(QStringLiteral("x"));
        doc.editor.SetSelectionRange({0, 0, 0, 0});
        doc.type(QStringLiteral("@"));
        QTest::keyClick(&doc.editor, Qt::Key_Down);
        QTest::keyClick(&doc.editor, Qt::Key_Return);
        doc.type(QStringLiteral("Z"));
        QCOMPARE(doc.editor.Text(), QStringLiteral("@BUILDZx"));
    }

    void rightClickMenu()
    {
        Document doc;
        doc.editor.setText(QStringLiteral("messagebox date EndI zzz\n\n:Only"));
        // An empty caption: no help item, no default item.
        for (const auto& [line, column, caption] : {std::tuple{0, 3, QStringLiteral("messagebox Help...")},
                                                    {0, 13, QStringLiteral("@date Help...")},
                                                    {0, 18, QStringLiteral("EndI Help...")}, {0, 22, QString()},
                                                    {1, 0, QString()}}) {
            doc.rightClickAt(line, column);
            QCOMPARE(doc.menus.helpShown, caption);
            QCOMPARE(doc.menus.defaultShown, caption.isEmpty() ? nullptr : doc.menus.help);
            QVERIFY(!doc.menus.anythingVisible());
        }
        QCOMPARE(doc.menus.popups, 5);
        // The menu key opens it for the word at the caret.
        doc.editor.SetSelectionRange({0, 15, 0, 15});
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(0, 0), doc.editor.mapToGlobal(QPoint(0, 0)));
        QApplication::sendEvent(&doc.editor, &menuKey);
        QCOMPARE(doc.menus.popups, 6);
        QCOMPARE(doc.menus.helpShown, QStringLiteral("@date Help..."));
        // The left button opens nothing.
        QTest::mouseClick(doc.editor.viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(doc.menus.popups, 6);
        QVERIFY(doc.menus.jumpShown && !doc.menus.noneShown);
        QCOMPARE(doc.menus.labelsShown, QStringList{QStringLiteral("Only=2")});

        // Only a ":" at the line start followed by a name makes a label; twenty at most are listed.
        QStringList script;
        for (int i = 0; i < 25; ++i)
            script << QStringLiteral(":Label%1").arg(i) << QStringLiteral("Goto Label%1").arg(i);
        script.insert(1, QStringLiteral(" :indented\n: blank\n::"));
        doc.editor.setText(script.join(QLatin1Char('\n')));
        doc.rightClickAt(5, 2);
        QVERIFY(doc.menus.jumpShown && !doc.menus.noneShown);
        QCOMPARE(doc.menus.labelsShown.size(), 20);
        QCOMPARE(doc.menus.labelsShown.mid(0, 2), (QStringList{"Label0=0", "Label1=5"}));
        QCOMPARE(doc.menus.labelsShown.last(), QStringLiteral("Label19=41"));
        QVERIFY(!doc.menus.anythingVisible());
    }

    // ---- The mechanism of the editing control ----------------------------------------------

    void tipFollowsArgumentsUntilClosed()
    {
        CodeEditor editor;
        AssistHandler handler(editor);
        QTest::keyClicks(&editor, QStringLiteral("Bar(")); // the handler answers 0: no tip
        QVERIFY(!tipShown(editor) && !editor.openCodeTip());

        editor.setText(QString());
        QTest::keyClicks(&editor, QStringLiteral("Foo("));
        CodeTip* tip = editor.openCodeTip();
        QVERIFY(tip && tipShown(editor));
        for (const auto& [typed, argument] : {std::pair{"", "a"}, {"1,", "b"}, {"2, 3", "c"}}) {
            QTest::keyClicks(&editor, QString::fromLatin1(typed));
            QCOMPARE(highlighted(*tip), QString::fromLatin1(argument));
        }
        QTest::keyClick(&editor, Qt::Key_ParenRight); // the handler closes it
        QVERIFY(!tipShown(editor) && !editor.openCodeTip());
        QCOMPARE(handler.log, QStringList{QStringLiteral("tip cancel")});

        // Escape closes it too, with one cancel.
        QTest::keyClicks(&editor, QStringLiteral("Foo("));
        QVERIFY(tipShown(editor));
        QTest::keyClick(&editor, Qt::Key_Escape);
        QVERIFY(!tipShown(editor) && !editor.openCodeTip());
        QCOMPARE(handler.log.size(), 2);

        // Text changed by the program while the tip is open is followed once the event loop runs.
        editor.setText(QString());
        QTest::keyClicks(&editor, QStringLiteral("Foo("));
        tip = editor.openCodeTip();
        QVERIFY(tip);
        editor.InsertTextAt(QStringLiteral("1,2,"), {0, 4});
        editor.SetSelectionRange({0, 8, 0, 8});
        QTRY_COMPARE(tip->CurrentArgument(), 2);
    }

    void listNarrowsSelectsAndCancels()
    {
        CodeEditor editor;
        AssistHandler handler(editor);
        QTest::keyClicks(&editor, QStringLiteral("? @"));
        CodeList* list = editor.openCodeList();
        QVERIFY(list && listShown(editor));
        QCOMPARE(editor.Text(), QStringLiteral("? @")); // the "@" went in before the list opened

        for (const auto& [typed, selected] : {std::pair{"mo", "Month"}, {"nthn", "MonthNo"}}) {
            QTest::keyClicks(&editor, QString::fromLatin1(typed));
            QCOMPARE(list->ItemText(list->SelectedIndex()), QString::fromLatin1(selected));
            QCOMPARE(handler.log.last(), "match " + QString::fromLatin1(selected));
        }

        // The handler leaves the insertion to the control: the item replaces the typed name.
        handler.insertOnSelect = true;
        QTest::keyClick(&editor, Qt::Key_Return);
        QVERIFY(!listShown(editor) && !editor.openCodeList());
        QCOMPARE(handler.log.last(), QStringLiteral("select MonthNo"));
        QCOMPARE(editor.Text(), QStringLiteral("? @MonthNo"));
        // A handler that inserts by itself gets no help from the control.
        handler.insertOnSelect = false;
        QTest::keyClicks(&editor, QStringLiteral(" @da"));
        QTest::keyClick(&editor, Qt::Key_Tab);
        QCOMPARE(handler.log.last(), QStringLiteral("select Date"));
        QCOMPARE(editor.Text(), QStringLiteral("? @MonthNo @da"));

        // Escape, Close() from the handler (a blank typed) and a name no item starts with each
        // close the list and report one cancel.
        editor.setText(QString());
        QTest::keyClicks(&editor, QStringLiteral("@d"));
        handler.log.clear();
        QTest::keyClick(&editor, Qt::Key_Escape);
        QTest::keyClicks(&editor, QStringLiteral("@ @xq"));
        QVERIFY(!listShown(editor) && !editor.openCodeList());
        QCOMPARE(editor.Text(), QStringLiteral("@d@ @xq"));
        QCOMPARE(handler.log, QStringList(3, QStringLiteral("list cancel")));
    }

    // ---- The reference tables and the language registry ------------------------------------

    void orderedMapKeepsFirstSpellingAndOneEntryPerKey()
    {
        Map map;
        QVERIFY(map.insert("MessageBox", 1));
        QVERIFY(!map.insert("MESSAGEBOX", QString("x")));
        QVERIFY(map.insert(QString::fromUtf8("Ärger"), 1));
        for (const char* probe : {"äRGER", "ÄRGER", "Arger", "Straße"}) {
            const QString p = QString::fromUtf8(probe);
            QCOMPARE(map.contains(p), QString::compare(p, QString::fromUtf8("Ärger"), Qt::CaseInsensitive) == 0);
        }
        QCOMPARE(map.count(), 2);
        QCOMPARE(map.storedKey("messagebox"), QString("MessageBox"));
        QVERIFY(Map::isText(*map.value("messageBOX"))); // the value is replaced, the spelling kept
        QVERIFY(!map.value("Message").has_value());
    }

    void rebuildingReplacesTables()
    {
        CommandTable.insert("Extra", 1);
        BuildReferenceTables();
        BuildReferenceTables();
        QCOMPARE(CommandTable.count(), 135);
        QCOMPARE(MacroTable.count(), 54);
        QVERIFY(!CommandTable.contains("Extra"));
    }

    void registeredDefinitionIsBuiltFromTables()
    {
        const auto def = RegisterKixLanguage();
        QVERIFY(def);
        QCOMPARE(LanguageRegistry::instance().find("kixtart"), def);
        QVERIFY(!def->caseSensitive());
        QCOMPARE(def->keywordList(), CommandTable.keys()); // in the table's order
        QVERIFY(!CommandTable.contains("If")); // scope words are not commands
    }

    void laterRegistrationReplacesEarlier()
    {
        auto& registry = LanguageRegistry::instance();
        auto first = std::make_shared<LanguageDefinition>();
        auto second = std::make_shared<LanguageDefinition>();
        registry.RegisterLanguage("TestLang", first);
        registry.RegisterLanguage("TESTLANG", second);
        QCOMPARE(registry.find("testLANG"), std::shared_ptr<const LanguageDefinition>(second));
        QObject owner;
        QVERIFY(!registry.createLexer("NoSuchLanguage", &owner));
        QsciLexer* lexer = registry.createLexer("testLang", &owner);
        QVERIFY(lexer);
        QCOMPARE(lexer->parent(), &owner);
    }
};

QTEST_MAIN(TestCodeTips)
#include "test_code_tips.moc"
