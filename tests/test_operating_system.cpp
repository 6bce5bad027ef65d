// The version class on the example systems, fed by a scripted version source.

#include "tools/OperatingSystem.h"

#include <QtTest>
#include <map>

using namespace platform;

namespace {

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
        std::string id = std::to_string(hive) + "|" + key + "|" + name;
        registryReads << QString::fromStdString(id);
        auto found = numbers.find(id);
        return found == numbers.end() ? std::nullopt : std::optional<uint32_t>(found->second);
    }
    std::optional<std::string> readRegistryText(uint32_t, const std::string&, const std::string&) override { return {}; }
};

OsVersionRecord record(uint32_t platformId, uint32_t major, uint32_t minor, uint32_t build, std::string csd)
{
    return {major, minor, build, platformId, std::move(csd)};
}

// Windows 2000 or XP: the plain record and the extended one.
void setNt5(FakeVersionSource& source, uint32_t minor, uint32_t build, uint16_t servicePack, const std::string& csd)
{
    source.basic = record(VER_PLATFORM_WIN32_NT_, 5, minor, build, csd);
    source.extended = source.basic;
    source.extended->servicePackMajor = servicePack;
    source.extended->suiteMask = 0x0100;
    source.extended->productType = 1;
}

const std::string Q246009 = std::to_string(0x80000002u) +
                            "|SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009|Installed";

} // namespace

class OperatingSystemTest : public QObject {
    Q_OBJECT
private slots:
    // Each system's name and platform number (every one of the name table, each name written out),
    // family, version text, support text and Is flags; "?" skips one of the last four.
    void identity()
    {
        const uint32_t nine = VER_PLATFORM_WIN32_WINDOWS_, nt = VER_PLATFORM_WIN32_NT_;
        struct Row {
            uint32_t platformId, major, minor, build;
            int servicePack; // -1: no extended record; -2: the plain record again
            std::string csd;
            QString expected;
        };
        const Row rows[] = {
            {VER_PLATFORM_WIN32s_, 3, 10, 0, -2, "", "Windows 3.x With Win32s|0|0|?|?|"},
            {nine, 4, 0, 0x040003B6, -1, "", "Windows 95|1|0|4.00.0950|?|"},
            {nine, 4, 0, 0x04000457, -1, " B ", "Windows 95 Release 2|2|0|4.00.1111|B|"},
            {nine, 4, 10, 0x040A07CE, -1, "", "Windows 98|3|0|4.10.1998|?|98"},
            // The 95/98 line repeats the version in the build number's high word.
            {nine, 4, 10, 0x040A08AE, -1, " A ", "Windows 98 Release 2|4|0|4.10.2222|A|98"},
            {nine, 4, 90, 3000, -2, "", "Windows Millenium Edition|5|0|?|?|"},
            {nt, 3, 0, 528, -2, "", "Windows NT 3.0|6|1|?|?|NT"},
            {nt, 3, 1, 528, -2, "", "Windows NT 3.1|7|1|?|?|NT"},
            {nt, 3, 5, 807, -2, "", "Windows NT 3.5|8|1|?|?|NT"},
            // The text stops at its first null; service pack 3 comes from the text alone.
            {nt, 4, 0, 1381, -1, std::string("Service Pack 6\0RC 1.23", 22), "Windows NT 4.0|9|1|4.00.1381 Service Pack 6|Service Pack 6|NT"},
            {nt, 4, 0, 1381, -1, "  Service Pack 3 ", "Windows NT 4.0|9|1|4.00.1381 Service Pack 3|Service Pack 3|NT"},
            {nt, 5, 0, 2195, 2, std::string("Service Pack 2\0\0\0", 17), "Windows 2000|10|2|5.00.2195 Service Pack 2|?|NT 2000"},
            {nt, 5, 1, 2600, 1, "Service Pack 1", "Windows XP|11|3|5.01.2600 Service Pack 1|?|XP"}, // XP is not NT
            {nt, 5, 2, 3790, 0, "", "[Unknown]|12|3|5.02.3790 Service Pack 0|?|"},
            {nt, 3, 51, 1057, -2, "", "[Unknown]|12|1|?|?|"},
            {nt, 6, 1, 7601, -2, "", "[Unknown]|12|0|?|?|"},
        };
        QSet<int> platforms;
        for (const Row& row : rows) {
            FakeVersionSource source;
            source.basic = record(row.platformId, row.major, row.minor, row.build, row.csd);
            if (row.servicePack == -2)
                source.extended = source.basic;
            else if (row.servicePack >= 0)
                setNt5(source, row.minor, row.build, uint16_t(row.servicePack), row.csd);
            OperatingSystem os(source);
            platforms << os.Platform();
            QStringList flags;
            for (auto [on, flag] : {std::pair{os.IsNT(), "NT"}, {os.Is2000(), "2000"}, {os.IsXP(), "XP"}, {os.Is98(), "98"}})
                if (on)
                    flags << flag;
            const QStringList actual = {QString::fromStdString(os.Name()), QString::number(os.Platform()),
                                        QString::number(os.Family()), QString::fromStdString(os.VersionString()),
                                        QString::fromStdString(os.SupportInformation()), flags.join(' ')};
            const QStringList wanted = row.expected.split('|');
            for (int i = 0; i < wanted.size(); ++i)
                if (wanted[i] != "?")
                    QVERIFY2(actual[i] == wanted[i], qPrintable(row.expected + " got " + actual.join('|')));
            QVERIFY(os.BuildNumber() == int(row.build & 0xFFFF) && (row.servicePack != -1 || os.Suites() == -1));
        }
        QCOMPARE(platforms.size(), int(OperatingSystem::PlatformCount));
    }

    void windows2000SystemCheck()
    {
        FakeVersionSource source;
        setNt5(source, 0, 2195, 2, "Service Pack 2");
        OperatingSystem os(source);
        QVERIFY(os.IsVerifySupported() && os.ProductType() == 1 && os.Suites() == 0x0100);
        // The start-up question goes to the system's check with every component and condition 3.
        QVERIFY(os.CompareVersion(5, 0, 0, 0, 0, 3, true) && source.checks.size() == 1);
        QCOMPARE(source.checks[0].typeMask, uint32_t(VER_MAJORVERSION_ | VER_MINORVERSION_ | VER_BUILDNUMBER_ |
                                                     VER_SERVICEPACKMAJOR_ | VER_SERVICEPACKMINOR_));
        QCOMPARE(int(source.checks[0].condition), 3);
        source.verdict = false;
        QVERIFY(!os.CompareVersion(5, 0, 0, 0, 0, 3, true));
        // Negative components are left out of the check.
        os.CompareVersion(5, -1, 2195, -1, -1, 1, true);
        QCOMPARE(source.checks.last().typeMask, uint32_t(VER_MAJORVERSION_ | VER_BUILDNUMBER_));
        QCOMPARE(source.checks.last().wanted.buildNumber, 2195u);
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
        source.basic = record(VER_PLATFORM_WIN32_NT_, 4, 0, 1381, "Service Pack 6");
        QCOMPARE(OperatingSystem(source).ServicePackMinor(), 0);
        QCOMPARE(source.registryReads, QStringList{QString::fromStdString(Q246009)});
        source.numbers[Q246009] = 1;
        OperatingSystem os(source);
        QCOMPARE(os.VersionString(), std::string("4.00.1381 Service Pack 6a"));
        QVERIFY(os.ServicePackMajor() == 6 && os.ServicePackMinor() == 1);
        QVERIFY(!os.IsVerifySupported() && source.extendedCalls == 0);
        // Without the system's check the class compares its own fields: not 5.0 or later.
        QVERIFY(!os.CompareVersion(5, 0, 0, 0, 0, 3, true) && !os.IsSuiteInstalled(0x0080));
        QVERIFY(!os.CompareVersion(4, 0, 1381, 6, 0, 1, true)); // 6a is not 6.0
        QVERIFY(source.checks.isEmpty());
        source.basic.csdVersion = "Service Pack 3";
        source.registryReads.clear();
        OperatingSystem sp3(source); // the hotfix is looked for on service pack 6 only
        QVERIFY(source.registryReads.isEmpty());
    }

    void fieldComparison()
    {
        FakeVersionSource source;
        source.basic = record(VER_PLATFORM_WIN32_NT_, 4, 0, 1381, "Service Pack 6");
        OperatingSystem nt4(source);
        QVERIFY(nt4.CompareVersion(4, 0, 1381, 6, 0, 1, false));
        QVERIFY(!nt4.CompareVersion(4, 0, 1381, 5, -1, 1, false)); // the service pack counts on NT
        QVERIFY(nt4.CompareVersion(4, 0, 1381, 5, -1, 2, false));
        QVERIFY(nt4.CompareVersion(3, 51, 9999, 9, 9, 2, false)); // major decides first
        QVERIFY(nt4.CompareVersion(4, 0, 1381, 6, -1, 5, false));
        QVERIFY(nt4.CompareVersion(4, 0, 1381, 6, 0, 3, false) && !nt4.CompareVersion(4, 0, 1381, 0, -1, 1, false));
        for (int unknownCondition : {0, 6})
            QVERIFY(!nt4.CompareVersion(4, 0, 1381, 6, 0, unknownCondition, false));

        // Off the NT line the service-pack components are not compared, and there is no system check.
        source.basic = record(VER_PLATFORM_WIN32_WINDOWS_, 4, 10, 2222, "");
        OperatingSystem w98(source);
        QVERIFY(w98.CompareVersion(4, 10, 2222, 3, 1, 1, false) && w98.CompareVersion(4, 10, 2000, -1, -1, 3, true));
        QVERIFY(!w98.CompareVersion(4, 0, -1, -1, -1, 1, false) && !w98.CompareVersion(4, 10, 0, -1, -1, 1, false));
        QVERIFY(source.checks.isEmpty());

        // XP answers the field comparison with its service pack, even though IsNT is false.
        setNt5(source, 1, 2600, 1, "Service Pack 1");
        OperatingSystem xp(source);
        QVERIFY(!xp.CompareVersion(5, 1, -1, 2, -1, 1, false) && xp.CompareVersion(5, 1, -1, 2, -1, 4, false));
    }

    void registryPaths()
    {
        auto parse = [](const char* text) { return OperatingSystem::ParseRegistryPath(text); };
        auto path = parse("HKLM\\SOFTWARE\\Vendor\\App\\Installed");
        QVERIFY(path && path->hive == 0x80000002u && path->key == "SOFTWARE\\Vendor\\App" && path->valueName == "Installed");
        auto hiveAndKey = [&](const char* text) { return std::pair{parse(text)->hive, parse(text)->key}; };
        QCOMPARE(hiveAndKey(" HKEY_CLASSES_ROOT \\ .kix \\Content Type"), std::pair(0x80000000u, std::string(".kix")));
        QCOMPARE(hiveAndKey("HKU\\Name"), std::pair(0x80000003u, std::string()));
        // The root is compared exactly: anything else is the current user.
        QCOMPARE(hiveAndKey("hklm\\Software\\X"), std::pair(0x80000001u, std::string("Software")));
        QVERIFY(!parse("HKLM"));
        QVERIFY(OperatingSystem::NameOf(13) == "[Unknown]" && OperatingSystem::NameOf(-1) == "[Unknown]");
    }

    void hostReportsNoNtSystem()
    {
#ifdef _WIN32
        QSKIP("The live record of a Windows system depends on the machine.");
#else
        // Off Windows the run commands must not get the /s rule's flags (see the run-command tests).
        OperatingSystem os(*liveOsVersionSource());
        QVERIFY(!os.IsNT() && !os.CompareVersion(5, 0, 0, 0, 0, 3, true));
#endif
    }
};

QTEST_APPLESS_MAIN(OperatingSystemTest)
#include "test_operating_system.moc"
