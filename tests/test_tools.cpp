// The tools: the Win32 error lookup (message texts, the window in both modes, its number check, and its
// size limits) and the version class on the example systems.

#include "CaseFile.h"
#include "ScriptedDialogService.h"
#include "platform/ErrorTexts.h"
#include "tools/MaxMin.h"
#include "tools/OperatingSystem.h"
#include "tools/basWin32Err.h"
#include "tools/frmAbout.h"
#include "tools/frmWin32Errors.h"

#include <QtTest>
#include <QtWidgets>
#include <functional>
#include <map>

using namespace platform;

namespace {

class FakeErrorTexts : public platform::ErrorTextSource {
public:
    FakeErrorTexts() { platform::setErrorTextSource(this); }
    ~FakeErrorTexts() override { platform::setErrorTextSource(nullptr); }
    std::string message(int32_t code) const override
    {
        if (onLookup)
            onLookup(code);
        return texts.contains(code) ? texts.at(code) : std::string();
    }
    std::map<int32_t, std::string> texts;
    std::function<void(int32_t)> onLookup;
};

class FakeVersionSource : public OsVersionSource {
public:
    OsVersionRecord basic;
    std::optional<OsVersionRecord> extended;
    std::map<std::string, uint32_t> numbers; // "hive|key|name"
    bool verdict = true;
    int extendedCalls = 0;
    QList<VersionCheck> checks;
    QStringList registryReads;
    OsVersionRecord basicVersion() override { return basic; }
    std::optional<OsVersionRecord> extendedVersion() override { return ++extendedCalls, extended; }
    bool verifyVersion(const VersionCheck& check) override { return checks.append(check), verdict; }
    std::optional<uint32_t> readRegistryNumber(uint32_t hive, const std::string& key, const std::string& name) override
    {
        const std::string id = std::to_string(hive) + "|" + key + "|" + name;
        registryReads << QString::fromStdString(id);
        return numbers.contains(id) ? std::optional<uint32_t>(numbers.at(id)) : std::nullopt;
    }
    std::optional<std::string> readRegistryText(uint32_t, const std::string&, const std::string&) override { return {}; }
};

const std::string Q246009 = std::to_string(0x80000002u) +
                            "|SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009|Installed";

// A system of the [identity] table, by its name: its plain record and, where it has one, its extended
// record (for Windows 2000 and XP: the service pack, a suite and the product type).
void setSystem(FakeVersionSource& source, const QString& name)
{
    QStringList row;
    for (const QStringList& system : cases::table("operating_system.txt", "identity"))
        if (system[0] == name)
            row = system;
    const uint32_t platformId = row[1] == "s" ? VER_PLATFORM_WIN32s_ : row[1] == "9" ? VER_PLATFORM_WIN32_WINDOWS_
                                                                                      : VER_PLATFORM_WIN32_NT_;
    source.basic = {row[2].toUInt(), row[3].toUInt(), row[4].toUInt(nullptr, 0), platformId, cases::bytes(row[6]).toStdString()};
    if (row[5] == "-1")
        return;
    source.extended = source.basic;
    if (row[5] == "-2")
        return;
    source.extended->servicePackMajor = row[5].toUShort();
    source.extended->suiteMask = 0x0100;
    source.extended->productType = 1;
}

} // namespace

class ToolsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QCoreApplication::setApplicationName(QStringLiteral("Tessary Editor")); }

    void numberCheck()
    {
        for (const QStringList& row : cases::table("tools.txt", "number check"))
            QCOMPARE(QStringList({"empty", "valid", "invalid"})[int(basWin32Err::CheckErrorNumber(cases::text(row[0])))], row[1]);
    }

    void shippedTable()
    {
        platform::TableErrorTextSource table;
        int32_t previous = basWin32Err::ListFirst - 1;
        for (auto* entry = table.begin(); entry != table.end(); ++entry) {
            QVERIFY(entry->code > previous && entry->code <= basWin32Err::ListLast && *entry->text);
            if (entry->code > previous + 1) // no text between two entries
                QCOMPARE(table.message(previous + 1), std::string());
            QCOMPARE(table.message(entry->code), std::string(entry->text));
            previous = entry->code;
        }
        QVERIFY(table.message(basWin32Err::ListLast + 1).empty() && table.end() - table.begin() > 700);
        for (const QStringList& known : cases::table("tools.txt", "known texts"))
            QVERIFY2(QString::fromStdString(table.message(known[0].toInt())).contains(known[1], Qt::CaseInsensitive),
                     qPrintable(known[2]));
#ifndef _WIN32
        // Off Windows the table is the system's message source.
        QCOMPARE(platform::errorTexts().message(2), table.message(2));
#endif
    }

    void singleNumberLookup_data() { cases::addRows("tools.txt", "lookup"); }

    void singleNumberLookup()
    {
        QFETCH(QStringList, fields);
        FakeErrorTexts fake;
        fake.texts = {{0, "Success. "}, {5, "Access denied. "}, {-1, "system text for -1"}, {-8, "x"}, {2147483647, "Top. "}};
        frmWin32Errors window;
        window.txtErrNumber->setText(fields[0]);
        window.cmdGetError->click();
        const QString text = fields[1] == "kix"         ? basWin32Err::KixtartErrorText
                             : fields[1] == "not win32" ? basWin32Err::NotWin32ErrorText
                                                        : cases::text(fields[1]);
        QCOMPARE(window.rtfError->toPlainText(), fields[0] + " :  " + text + "\n");
    }

    void listKeepsWindowResponsive()
    {
        // The list: texts from ListFirst to ListLast that fit the buffer (255 characters do, 256 not).
        FakeErrorTexts fake;
        fake.texts = {{-101, "before"}, {-100, "first"}, {-5, "minus five"}, {0, "Success. "}, {299, std::string(255, 'x')},
                      {300, std::string(256, 'y')}, {7000, "last"}, {7001, "after"}};
        QPointer<frmWin32Errors> window = new frmWin32Errors;
        window->rtfError->setPlainText("old output");
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
        QCOMPARE(window->rtfError->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                 QStringList({"-100 :  first", "-5 :  minus five", "0 :  Success. ", "299 :  " + QString(255, 'x'), "7000 :  last"}));
        QCOMPARE(window->rtfError->viewport()->cursor().shape(), normalCursor);
        // Closing the window while the list runs ends the lookup.
        QTimer::singleShot(0, window, [&] { window->close(); });
        window->cmdGetError->click();
        QVERIFY(current < basWin32Err::ListLast);
        QTRY_VERIFY(window.isNull());
    }

    // The number is checked when the focus leaves the box, the menu opens, Enter is pressed or the
    // button is clicked. The button and menu item name the mode the box is in; Escape closes the window.
    void numberCheckCaptionsAndEscape()
    {
        ScriptedDialogService dialogs;
        FakeErrorTexts fake;
        QPointer<frmWin32Errors> window = new frmWin32Errors;
        const auto closeOnFailure = qScopeGuard([&] { delete window; }); // no real message box may follow
        const auto captions = [&] { return window->cmdGetError->text() + "|" + window->mnuList->text(); };
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTRY_VERIFY(window->txtErrNumber->hasFocus());
        QCOMPARE(captions(), QString("&Get Error List|&Get Error List"));
        QTest::keyClicks(window->txtErrNumber, "abc");
        auto expectRefusal = [&](int count) {
            QTRY_COMPARE(dialogs.messages.size(), count);
            const RecordedMessage& m = dialogs.messages.last();
            QCOMPARE(m.text + "|" + m.title, QString("Error Number must be a valid integer|Tessary Editor"));
            QVERIFY(m.buttons == platform::MessageButtons::Ok && m.icon == platform::MessageIcon::None);
            QTRY_VERIFY(window->txtErrNumber->hasFocus());
            QCOMPARE(window->txtErrNumber->selectedText(), QString("abc"));
            window->txtErrNumber->deselect();
        };
        window->rtfError->setFocus(Qt::TabFocusReason); // focus leaves the box
        expectRefusal(1);
        window->mnuError->popup(window->mapToGlobal(QPoint(0, 0)));
        expectRefusal(2);
        QTRY_VERIFY(!window->mnuError->isVisible());
        QTest::keyClick(window->txtErrNumber, Qt::Key_Return);
        expectRefusal(3);
        window->cmdGetError->setFocus(Qt::MouseFocusReason); // pressed: the box loses the focus to it
        window->cmdGetError->click(); // released: one refusal, not a second one for leaving the box
        QTest::qWait(20);
        expectRefusal(4);
        QVERIFY(window->rtfError->toPlainText().isEmpty());
        // Enter on a number runs the lookup; an empty box passes.
        fake.texts = {{12, "twelve"}};
        window->txtErrNumber->setText("12");
        QCOMPARE(captions(), QString("&Get Error Code|&Get Error Code"));
        QTest::keyClick(window->txtErrNumber, Qt::Key_Return);
        QCOMPARE(window->rtfError->toPlainText(), QString("12 :  twelve\n"));
        window->txtErrNumber->clear();
        QCOMPARE(captions(), QString("&Get Error List|&Get Error List"));
        window->rtfError->setFocus(Qt::TabFocusReason);
        QTest::qWait(20);
        QCOMPARE(dialogs.messages.size(), 4);
        QTest::keyClick(window->txtErrNumber, Qt::Key_Escape);
        QTRY_VERIFY(window.isNull());
    }

    void sizeLimits()
    {
        frmWin32Errors window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto frameAfter = [&](int w, int h) { return window.resize(w, h), window.frameGeometry().size(); };
        QVERIFY(frameAfter(100, 100).expandedTo(QSize(325, 225)) == frameAfter(100, 100));
        QVERIFY(frameAfter(16000, 16000).boundedTo(QSize(15000, 15000)) == frameAfter(16000, 16000));
        // A changed limit holds from the next resize on.
        window.MaxMin1->SetMinHeight(300);
        window.MaxMin1->SetMaxWidth(500);
        QVERIFY(frameAfter(100, 100).height() >= 300 && frameAfter(900, 400).width() <= 500);
        QTRY_COMPARE(window.rtfError->width(), window.centralWidget()->width() - 48); // the output box follows
        // The frame's part comes off the whole-window limits, never below zero; a maximum gives way to the minimum.
        QCOMPARE(MaxMin::clientMinimum(5, 50, QSize(10, 60)), QSize(0, 0));
        QCOMPARE(MaxMin::clientMaximum(80, 500, QSize(10, 20), QSize(90, 0)), QSize(90, 480));

        // The control's about box: modal, over the window that carries the control.
        bool shownOver = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
            shownOver = box && box->parentWidget() == &window;
            if (box)
                box->cmdOK->click();
        });
        window.MaxMin1->ShowAboutBox();
        QVERIFY(shownOver);
    }

    // ---- The version class on the example systems, fed by a scripted version source ----------

    void identity_data() { cases::addRows("operating_system.txt", "identity"); }

    void identity()
    {
        QFETCH(QStringList, fields);
        FakeVersionSource source;
        setSystem(source, fields[0]);
        OperatingSystem os(source);
        QStringList flags;
        for (auto [on, flag] : {std::pair{os.IsNT(), "NT"}, {os.Is2000(), "2000"}, {os.IsXP(), "XP"}, {os.Is98(), "98"}})
            if (on)
                flags << flag;
        const QStringList actual = {QString::fromStdString(os.Name()), QString::number(os.Platform()),
                                    QString::number(os.Family()), QString::fromStdString(os.VersionString()),
                                    QString::fromStdString(os.SupportInformation()), flags.join(' ')};
        const QStringList wanted = fields[7].split('|');
        for (int i = 0; i < wanted.size(); ++i)
            if (wanted[i] != "?")
                QCOMPARE(actual[i], wanted[i]);
        QVERIFY(os.BuildNumber() == int(fields[4].toUInt(nullptr, 0) & 0xFFFF) && (fields[5] != "-1" || os.Suites() == -1));
    }

    // Without the system's check (none below 2000) a check asked for compares the class's own fields.
    void fieldComparison_data() { cases::addRows("operating_system.txt", "compare"); }

    void fieldComparison()
    {
        QFETCH(QStringList, fields);
        FakeVersionSource source;
        setSystem(source, fields[1]);
        OperatingSystem os(source);
        const auto n = [&](int i) { return fields[i].toInt(); };
        QCOMPARE(os.CompareVersion(n(2), n(3), n(4), n(5), n(6), n(7), !os.IsVerifySupported()), fields[8] == "1");
        QVERIFY(source.checks.isEmpty());
    }

    void windows2000SystemCheck()
    {
        FakeVersionSource source;
        setSystem(source, "2000");
        OperatingSystem os(source);
        QVERIFY(os.IsVerifySupported() && os.ProductType() == 1 && os.Suites() == 0x0100);
        // The start-up question goes to the system's check with every component and condition 3.
        QVERIFY(os.CompareVersion(5, 0, 0, 0, 0, 3, true) && source.checks.size() == 1);
        QVERIFY(source.checks[0].condition == 3 && source.checks[0].typeMask == (VER_MAJORVERSION_ | VER_MINORVERSION_ |
                                                     VER_BUILDNUMBER_ | VER_SERVICEPACKMAJOR_ | VER_SERVICEPACKMINOR_));
        source.verdict = false;
        QVERIFY(!os.CompareVersion(5, 0, 0, 0, 0, 3, true));
        // Negative components are left out of the check.
        os.CompareVersion(5, -1, 2195, -1, -1, 1, true);
        QVERIFY(source.checks.last().typeMask == (VER_MAJORVERSION_ | VER_BUILDNUMBER_) && source.checks.last().wanted.buildNumber == 2195);
        // A suite question goes to the system's check too; suite 0 never does.
        source.checks.clear();
        QVERIFY(!os.IsSuiteInstalled(0) && source.checks.isEmpty());
        source.verdict = true;
        QVERIFY(os.IsSuiteInstalled(0x0080) && source.checks.size() == 1);
        QVERIFY(source.checks[0].typeMask == VER_SUITENAME_ && source.checks[0].condition == VER_OR_ &&
                source.checks[0].wanted.suiteMask == 0x0080);
    }

    void nt4ServicePack6Hotfix()
    {
        FakeVersionSource source;
        setSystem(source, "NT 4.0 SP6");
        QCOMPARE(OperatingSystem(source).ServicePackMinor(), 0);
        QCOMPARE(source.registryReads, QStringList{QString::fromStdString(Q246009)});
        source.numbers[Q246009] = 1;
        OperatingSystem os(source);
        QCOMPARE(os.VersionString(), std::string("4.00.1381 Service Pack 6a"));
        QVERIFY(os.ServicePackMajor() == 6 && os.ServicePackMinor() == 1 && !os.IsVerifySupported() && source.extendedCalls == 0);
        // Without the system's check the class compares its own fields: not 5.0 or later.
        // 6a is not 6.0 either.
        QVERIFY(!os.CompareVersion(5, 0, 0, 0, 0, 3, true) && !os.IsSuiteInstalled(0x0080) &&
                !os.CompareVersion(4, 0, 1381, 6, 0, 1, true) && source.checks.isEmpty());
        source.basic.csdVersion = "Service Pack 3";
        source.registryReads.clear();
        OperatingSystem sp3(source); // the hotfix is looked for on service pack 6 only
        QVERIFY(source.registryReads.isEmpty());
    }

    void registryPaths_data() { cases::addRows("operating_system.txt", "registry paths"); }

    void registryPaths()
    {
        QFETCH(QStringList, fields);
        const auto path = OperatingSystem::ParseRegistryPath(cases::text(fields[0]).toStdString());
        QCOMPARE(!path ? "none" : QString::number(path->hive, 16) + "|" + QString::fromStdString(path->key + "|" + path->valueName), cases::text(fields[1]));
        QVERIFY(OperatingSystem::NameOf(13) == "[Unknown]" && OperatingSystem::NameOf(-1) == "[Unknown]");
    }
};

QTEST_MAIN(ToolsTest)
#include "test_tools.moc"
