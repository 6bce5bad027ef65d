// The Win32 error lookup: message texts, the lookup window in both modes, its number check and
// layout, and the window size limits it carries.

#include "ScriptedDialogService.h"
#include "platform/ErrorTexts.h"
#include "tools/MaxMin.h"
#include "tools/basWin32Err.h"
#include "tools/frmWin32Errors.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QThread>
#include <QtTest>
#include <functional>
#include <map>

namespace {

class FakeErrorTexts : public platform::ErrorTextSource {
public:
    FakeErrorTexts() { platform::setErrorTextSource(this); }
    ~FakeErrorTexts() override { platform::setErrorTextSource(nullptr); }
    std::string message(int32_t code) const override
    {
        if (onLookup)
            onLookup(code);
        auto found = texts.find(code);
        return found == texts.end() ? std::string() : found->second;
    }
    std::map<int32_t, std::string> texts;
    std::function<void(int32_t)> onLookup;
};

QStringList outputLines(frmWin32Errors& window)
{
    QStringList lines = window.rtfError->toPlainText().split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString lookup(frmWin32Errors& window, const QString& typed)
{
    window.txtErrNumber->setText(typed);
    window.cmdGetError->click();
    return window.rtfError->toPlainText();
}

} // namespace

class Win32ErrorsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QCoreApplication::setApplicationName(QStringLiteral("Tessary Editor")); }
    void messageTextsAndTheirLimit();
    void shippedTable();
    void singleNumberLookup();
    void listMode();
    void listKeepsWindowResponsive();
    void captionFollowsTheBox();
    void numberCheckOnFocusLossMenuAndEnter();
    void escapeAndCloseMenu();
    void layoutOnResize();
    void sizeLimits();
    void sizeLimitsFromFrameSize();
    void applicationActivation();
};

void Win32ErrorsTest::messageTextsAndTheirLimit()
{
    FakeErrorTexts fake;
    fake.texts = {{5, "Access denied. "}, {6, std::string(255, 'x')}, {7, std::string(256, 'y')},
                  {-2, "negative"}};
    // 256 characters do not fit the lookup's buffer.
    for (auto [code, wanted] : {std::pair{5, QString("Access denied. ")}, {6, QString(255, 'x')}, {7, QString()},
                                {-2, QString("negative")}, {8, QString()}})
        QCOMPARE(basWin32Err::GetWin32ErrorText(code), wanted);

    using basWin32Err::NumberCheck;
    QCOMPARE(basWin32Err::CheckErrorNumber(""), NumberCheck::Empty);
    for (const char* valid : {"0", "5", "-8", "+7", "005", " 12 ", "99999999999999999999999"})
        QVERIFY2(basWin32Err::CheckErrorNumber(valid) == NumberCheck::Valid, valid);
    for (const char* invalid : {"abc", " ", "-", "1.5", "5a", "1e3", "--1", "0x10"})
        QVERIFY2(basWin32Err::CheckErrorNumber(invalid) == NumberCheck::Invalid, invalid);
}

void Win32ErrorsTest::shippedTable()
{
    platform::TableErrorTextSource table;
    int32_t previous = basWin32Err::ListFirst - 1;
    int named = 0;
    const QRegularExpression namedText(QStringLiteral("^[A-Z][a-z0-9 ]* \\(([A-Z][A-Z0-9_]*)\\)\\.$"));
    for (auto* entry = table.begin(); entry != table.end(); ++entry) {
        QVERIFY(entry->code > previous && entry->code <= basWin32Err::ListLast);
        QVERIFY(*entry->text);
        // Every code between two entries has no text.
        if (entry->code > previous + 1)
            QCOMPARE(table.message(previous + 1), std::string());
        QCOMPARE(table.message(entry->code), std::string(entry->text));
        if (namedText.match(QString::fromLatin1(entry->text)).hasMatch())
            ++named;
        previous = entry->code;
    }
    QCOMPARE(table.message(basWin32Err::ListLast + 1), std::string());
    QVERIFY(table.end() - table.begin() > 700);
    QVERIFY(named > 0);
#ifndef _WIN32
    // Off Windows the table is the system's message source.
    QCOMPARE(platform::errorTexts().message(2), table.message(2));
    QVERIFY(!basWin32Err::GetWin32ErrorText(0).isEmpty());
#endif
}

void Win32ErrorsTest::singleNumberLookup()
{
    FakeErrorTexts fake;
    fake.texts = {{0, "Success. "}, {5, "Access denied. "}, {-1, "system text for -1"}, {-8, "x"}};
    frmWin32Errors window;
    QCOMPARE(lookup(window, "5"), QString("5 :  Access denied. \n"));
    QCOMPARE(lookup(window, "0"), QString("0 :  Success. \n")); // replaces the previous output
    QCOMPARE(lookup(window, "005"), QString("005 :  Access denied. \n"));
    for (const char* kixtart : {"-1", "-8", "-3"})
        QCOMPARE(lookup(window, kixtart), QString(kixtart) + " :  " + basWin32Err::KixtartErrorText + "\n");
    for (const char* unknown : {"-9", "99999", "4294967301", "-99999999999999999999"})
        QCOMPARE(lookup(window, unknown), QString(unknown) + " :  " + basWin32Err::NotWin32ErrorText + "\n");
    QVERIFY(basWin32Err::KixtartErrorText.contains("error codes.  If shelling"));
    QVERIFY(basWin32Err::KixtartErrorText.contains("an applicatIon specific"));
    QVERIFY(basWin32Err::NotWin32ErrorText.startsWith("This is not a valid Win32 error code. If"));
    // The output is appended, not undoable.
    QVERIFY(!window.rtfError->document()->isUndoAvailable());
}

void Win32ErrorsTest::listMode()
{
    FakeErrorTexts fake;
    fake.texts = {{-101, "before"}, {-100, "first"}, {-5, "minus five"}, {0, "Success. "},
                  {300, std::string(256, 'y')}, {7000, "last"}, {7001, "after"}};
    Qt::CursorShape cursorDuringLookup = Qt::ArrowCursor;
    frmWin32Errors window;
    fake.onLookup = [&](int32_t code) {
        if (code == 0)
            cursorDuringLookup = window.rtfError->viewport()->cursor().shape();
    };
    const Qt::CursorShape normalCursor = window.rtfError->viewport()->cursor().shape();
    window.rtfError->setPlainText("old output");
    window.cmdGetError->click();
    QCOMPARE(outputLines(window), QStringList({"-100 :  first", "-5 :  minus five", "0 :  Success. ",
                                               "7000 :  last"}));
    QCOMPARE(cursorDuringLookup, Qt::WaitCursor);
    QCOMPARE(window.rtfError->viewport()->cursor().shape(), normalCursor);

    // The menu item runs the same lookup.
    window.rtfError->clear();
    window.mnuList->trigger();
    QCOMPARE(outputLines(window).size(), 4);
}

void Win32ErrorsTest::listKeepsWindowResponsive()
{
    FakeErrorTexts fake;
    fake.texts = {{1, "one"}, {6000, "six thousand"}};
    QPointer<frmWin32Errors> window = new frmWin32Errors;
    int32_t current = 0;
    fake.onLookup = [&](int32_t code) {
        current = code;
        if (code == 100)
            QThread::msleep(30); // long enough that pending events are due
    };
    int32_t seenAt = 0;
    QTimer::singleShot(0, [&] { seenAt = current; });
    window->cmdGetError->click();
    QVERIFY(seenAt > 0 && seenAt < basWin32Err::ListLast);

    // A second lookup started while the list runs replaces it, and the pointer comes back.
    const Qt::CursorShape normalCursor = window->rtfError->viewport()->cursor().shape();
    QTimer::singleShot(0, window, [&] { window->cmdGetError->click(); });
    window->cmdGetError->click();
    QCOMPARE(outputLines(*window), QStringList({"1 :  one", "6000 :  six thousand"}));
    QCOMPARE(window->rtfError->viewport()->cursor().shape(), normalCursor);

    // Closing the window while the list runs ends the lookup.
    QTimer::singleShot(0, window, [&] { window->close(); });
    window->cmdGetError->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.isNull());
    QVERIFY(current < basWin32Err::ListLast);
}

void Win32ErrorsTest::captionFollowsTheBox()
{
    frmWin32Errors window;
    QCOMPARE(window.windowTitle() + window.mnuError->title() + window.mnuClose->text(),
             QString("Error Codes&Error Codes&Close"));
    for (auto [key, caption] : {std::pair{Qt::Key_7, "&Get Error Code"}, {Qt::Key_Backspace, "&Get Error List"}}) {
        QTest::keyClick(window.txtErrNumber, key);
        QCOMPARE(window.cmdGetError->text(), QString(caption));
        QCOMPARE(window.mnuList->text(), QString(caption));
    }
}

void Win32ErrorsTest::numberCheckOnFocusLossMenuAndEnter()
{
    ScriptedDialogService dialogs;
    FakeErrorTexts fake;
    frmWin32Errors window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTRY_VERIFY(window.txtErrNumber->hasFocus());
    QTest::keyClicks(window.txtErrNumber, "abc");

    auto expectRefusal = [&](int count) {
        QTRY_COMPARE(dialogs.messages.size(), count);
        const RecordedMessage& m = dialogs.messages.last();
        QCOMPARE(m.text, QString("Error Number must be a valid integer"));
        QCOMPARE(m.title, QString("Tessary Editor"));
        QVERIFY(m.buttons == platform::MessageButtons::Ok && m.icon == platform::MessageIcon::None);
        QTRY_VERIFY(window.txtErrNumber->hasFocus());
        QCOMPARE(window.txtErrNumber->selectedText(), QString("abc"));
    };
    window.rtfError->setFocus(Qt::TabFocusReason);
    expectRefusal(1);

    window.txtErrNumber->deselect();
    window.mnuError->popup(window.mapToGlobal(QPoint(0, 0)));
    expectRefusal(2);
    QTRY_VERIFY(!window.mnuError->isVisible());

    window.txtErrNumber->deselect();
    QTest::keyClick(window.txtErrNumber, Qt::Key_Return);
    expectRefusal(3);
    QVERIFY(window.rtfError->toPlainText().isEmpty());

    // A number, or an empty box, passes.
    window.txtErrNumber->setText("12");
    window.rtfError->setFocus(Qt::TabFocusReason);
    window.txtErrNumber->clear();
    window.txtErrNumber->setFocus();
    window.rtfError->setFocus(Qt::TabFocusReason);
    QTest::qWait(20);
    QCOMPARE(dialogs.messages.size(), 3);

    // Enter in the box runs the lookup.
    fake.texts = {{12, "twelve"}};
    window.txtErrNumber->setFocus();
    window.txtErrNumber->setText("12");
    QTest::keyClick(window.txtErrNumber, Qt::Key_Return);
    QCOMPARE(window.rtfError->toPlainText(), QString("12 :  twelve\n"));
}

void Win32ErrorsTest::escapeAndCloseMenu()
{
    for (bool escape : {true, false}) {
        QPointer<frmWin32Errors> window = new frmWin32Errors;
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
        if (escape)
            QTest::keyClick(window->txtErrNumber, Qt::Key_Escape);
        else
            window->mnuClose->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
    }
}

void Win32ErrorsTest::layoutOnResize()
{
    // 96 pixels per inch: 15 twips to the pixel.
    auto layout = frmWin32Errors::layoutFor(QSize(600, 400), 96);
    QCOMPARE(layout.rtfError, QRect(24, 80, 600 - 48, 400 - 107));
    QCOMPARE(layout.txtErrNumber, QRect(int(0.34 * 600) - 73 / 2, 40, 73, 19));
    QCOMPARE(layout.lblError.topLeft(), QPoint(layout.txtErrNumber.left(), 16));
    QCOMPARE(layout.cmdGetError, QRect(int(0.67 * 600) - 97 / 2, 32, 97, 33));
    QCOMPARE(layout.lineWidth, 600);

    layout = frmWin32Errors::layoutFor(QSize(10, 5), 96);
    QCOMPARE(layout.rtfError.size(), QSize(0, 0));

    frmWin32Errors window;
    window.show();
    window.resize(700, 500);
    QTRY_COMPARE(window.rtfError->width(), window.centralWidget()->width() - 48);
    QCOMPARE(window.rtfError->height(), window.centralWidget()->height() - 107);
}

void Win32ErrorsTest::sizeLimits()
{
    frmWin32Errors window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // It opens at its design size, not squeezed by the limits being set up.
    const double dpi = window.logicalDpiY();
    QCOMPARE(window.centralWidget()->width(), qRound(7095 * dpi / 1440));
    auto frameAfter = [&](int w, int h) { return window.resize(w, h), window.frameGeometry().size(); };
    QCOMPARE(QList<int>({window.MaxMin1->MinWidth(), window.MaxMin1->MinHeight(), window.MaxMin1->MaxWidth(),
                         window.MaxMin1->MaxHeight()}),
             QList<int>({325, 225, 15000, 15000}));
    QVERIFY(frameAfter(100, 100).expandedTo(QSize(325, 225)) == frameAfter(100, 100));
    QVERIFY(frameAfter(16000, 16000).boundedTo(QSize(15000, 15000)) == frameAfter(16000, 16000));

    // A changed limit holds from the next resize on.
    window.MaxMin1->SetMinWidth(420);
    window.MaxMin1->SetMinHeight(300);
    QVERIFY(frameAfter(100, 100).expandedTo(QSize(420, 300)) == frameAfter(100, 100));
    window.MaxMin1->SetMaxWidth(500);
    QVERIFY(frameAfter(900, 400).width() <= 500);

    // A new control starts from its defaults.
    QWidget other;
    MaxMin limits(&other);
    QCOMPARE(QList<int>({limits.MaxWidth(), limits.MaxHeight(), limits.MinWidth(), limits.MinHeight(),
                         limits.MaxPosX(), limits.MaxPosY()}),
             QList<int>({300, 300, 100, 100, 0, 0}));
    other.resize(1000, 10);
    QCOMPARE(other.size(), QSize(300, 100));
}

void Win32ErrorsTest::sizeLimitsFromFrameSize()
{
    // The limits are of the framed window: the frame's share comes off the inside.
    const QSize frame(4, 30);
    QCOMPARE(MaxMin::clientMinimum(325, 225, frame), QSize(321, 195));
    QCOMPARE(MaxMin::clientMinimum(2, 10, frame), QSize(0, 0));
    QCOMPARE(MaxMin::clientMaximum(15000, 300, frame, QSize(321, 195)), QSize(14996, 270));
    // A maximum below the minimum gives way to it.
    QCOMPARE(MaxMin::clientMaximum(100, 100, frame, QSize(321, 195)), QSize(321, 195));
}

void Win32ErrorsTest::applicationActivation()
{
    QWidget carrier;
    MaxMin limits(&carrier);
    QStringList events;
    connect(&limits, &MaxMin::Activate, [&] { events << "Activate"; });
    connect(&limits, &MaxMin::Deactivate, [&] { events << "Deactivate"; });
    // What the system reports when the user switches to another application and back.
    for (Qt::ApplicationState state : {Qt::ApplicationActive, Qt::ApplicationInactive, Qt::ApplicationHidden,
                                       Qt::ApplicationActive, Qt::ApplicationActive})
        emit qApp->applicationStateChanged(state);
    const bool startedActive = QGuiApplication::applicationState() == Qt::ApplicationActive;
    QCOMPARE(events, startedActive ? QStringList({"Deactivate", "Activate"})
                                   : QStringList({"Activate", "Deactivate", "Activate"}));
}

QTEST_MAIN(Win32ErrorsTest)
#include "test_win32_errors.moc"
