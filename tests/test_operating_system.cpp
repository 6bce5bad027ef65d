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
    std::optional<OsVersionRecord> extendedVersion() override
    {
        ++extendedCalls;
        return extended;
    }
    bool verifyVersion(const VersionCheck& check) override
    {
        checks.append(check);
        return verdict;
    }
    std::optional<uint32_t> readRegistryNumber(uint32_t hive, const std::string& key, const std::string& name) override
    {
        std::string id = std::to_string(hive) + "|" + key + "|" + name;
        registryReads << QString::fromStdString(id);
        auto found = numbers.find(id);
        return found == numbers.end() ? std::nullopt : std::optional<uint32_t>(found->second);
    }
    std::optional<std::string> readRegistryText(uint32_t, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
};

OsVersionRecord record(uint32_t platformId, uint32_t major, uint32_t minor, uint32_t build, std::string csd)
{
    OsVersionRecord r;
    r.platformId = platformId;
    r.majorVersion = major;
    r.minorVersion = minor;
    r.buildNumber = build;
    r.csdVersion = std::move(csd);
    return r;
}

// Windows 2000 or XP: the plain record and the extended one.
void setNt5(FakeVersionSource& source, uint32_t minor, uint32_t build, uint16_t servicePack, const std::string& csd)
{
    source.basic = record(VER_PLATFORM_WIN32_NT_, 5, minor, build, csd);
    OsVersionRecord extended = source.basic;
    extended.servicePackMajor = servicePack;
    extended.suiteMask = 0x0100;
    extended.productType = 1;
    source.extended = extended;
}

const std::string Q246009 = std::to_string(0x80000002u) +
                            "|SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009|Installed";

} // namespace

class OperatingSystemTest : public QObject {
    Q_OBJECT
private slots:
    void windows2000ServicePack2();
    void windowsXpIsNotCountedAsNt();
    void nt4ServicePack6AndHotfix();
    void windows98SecondEditionAnd95();
    void nameTable_data();
    void nameTable();
    void fieldComparison();
    void suites();
    void registryPaths();
    void hostReportsNoNtSystem();
};

void OperatingSystemTest::windows2000ServicePack2()
{
    FakeVersionSource source;
    setNt5(source, 0, 2195, 2, std::string("Service Pack 2\0\0\0", 17));
    OperatingSystem os(source);
    QCOMPARE(os.Name(), std::string("Windows 2000"));
    QCOMPARE(os.Family(), 2);
    QCOMPARE(os.VersionString(), std::string("5.00.2195 Service Pack 2"));
    QVERIFY(os.IsNT() && os.Is2000() && !os.IsXP() && !os.Is98());
    QVERIFY(os.IsVerifySupported());
    QCOMPARE(os.ProductType(), 1);
    QCOMPARE(os.Suites(), 0x0100);

    // The start-up question goes to the system's check with every component and condition 3.
    QVERIFY(os.CompareVersion(5, 0, 0, 0, 0, 3, true));
    QCOMPARE(source.checks.size(), 1);
    const VersionCheck& check = source.checks.first();
    QCOMPARE(check.typeMask, uint32_t(VER_MAJORVERSION_ | VER_MINORVERSION_ | VER_BUILDNUMBER_ |
                                      VER_SERVICEPACKMAJOR_ | VER_SERVICEPACKMINOR_));
    QCOMPARE(int(check.condition), 3);
    source.verdict = false;
    QVERIFY(!os.CompareVersion(5, 0, 0, 0, 0, 3, true));
    // Negative components are left out of the check.
    os.CompareVersion(5, -1, 2195, -1, -1, 1, true);
    QCOMPARE(source.checks.last().typeMask, uint32_t(VER_MAJORVERSION_ | VER_BUILDNUMBER_));
    QCOMPARE(source.checks.last().wanted.buildNumber, 2195u);
}

void OperatingSystemTest::windowsXpIsNotCountedAsNt()
{
    FakeVersionSource source;
    setNt5(source, 1, 2600, 1, "Service Pack 1");
    OperatingSystem os(source);
    QCOMPARE(os.Name(), std::string("Windows XP"));
    QVERIFY(!os.IsNT());
    QVERIFY(os.IsXP());
    QCOMPARE(os.Family(), 3);
    QCOMPARE(os.VersionString(), std::string("5.01.2600 Service Pack 1"));

    // Windows Server 2003 (5.2) without a service pack: unknown, XP family, " Service Pack 0".
    setNt5(source, 2, 3790, 0, "");
    OperatingSystem server(source);
    QCOMPARE(server.Name(), std::string("[Unknown]"));
    QCOMPARE(server.Family(), 3);
    QCOMPARE(server.VersionString(), std::string("5.02.3790 Service Pack 0"));
}

void OperatingSystemTest::nt4ServicePack6AndHotfix()
{
    FakeVersionSource source;
    source.basic = record(VER_PLATFORM_WIN32_NT_, 4, 0, 1381, std::string("Service Pack 6\0RC 1.23", 22));
    {
        OperatingSystem os(source);
        QCOMPARE(os.VersionString(), std::string("4.00.1381 Service Pack 6"));
        QCOMPARE(os.ServicePackMajor(), 6);
        QCOMPARE(os.ServicePackMinor(), 0);
        QCOMPARE(os.SupportInformation(), std::string("Service Pack 6"));
        QCOMPARE(source.registryReads, QStringList{QString::fromStdString(Q246009)});
    }
    source.numbers[Q246009] = 1;
    OperatingSystem os(source);
    QCOMPARE(os.VersionString(), std::string("4.00.1381 Service Pack 6a"));
    QCOMPARE(os.ServicePackMajor(), 6);
    QCOMPARE(os.ServicePackMinor(), 1);
    QCOMPARE(os.Family(), 1);
    QVERIFY(os.IsNT());
    QVERIFY(!os.IsVerifySupported());
    QCOMPARE(os.Suites(), -1);
    QCOMPARE(source.extendedCalls, 0);
    // Without the system's check the class compares its own fields: not 5.0 or later.
    QVERIFY(!os.CompareVersion(5, 0, 0, 0, 0, 3, true));
    QVERIFY(source.checks.isEmpty());

    // Service pack 3 comes from the text alone, without the registry.
    source.basic.csdVersion = "  Service Pack 3 ";
    source.registryReads.clear();
    OperatingSystem sp3(source);
    QCOMPARE(sp3.VersionString(), std::string("4.00.1381 Service Pack 3"));
    QCOMPARE(sp3.SupportInformation(), std::string("Service Pack 3"));
    QVERIFY(source.registryReads.isEmpty());
}

void OperatingSystemTest::windows98SecondEditionAnd95()
{
    FakeVersionSource source;
    // The 95/98 line repeats the version in the build number's high word.
    source.basic = record(VER_PLATFORM_WIN32_WINDOWS_, 4, 10, 0x040A08AE, " A ");
    OperatingSystem os(source);
    QCOMPARE(os.Name(), std::string("Windows 98 Release 2"));
    QCOMPARE(os.BuildNumber(), 2222);
    QCOMPARE(os.VersionString(), std::string("4.10.2222"));
    QCOMPARE(os.SupportInformation(), std::string("A"));
    QVERIFY(os.Is98() && !os.IsNT() && !os.IsXP());
    QCOMPARE(os.Family(), 0);
    QCOMPARE(os.Suites(), -1);
    QVERIFY(!os.CompareVersion(5, 0, 0, 0, 0, 3, true));
    QVERIFY(source.checks.isEmpty());

    source.basic = record(VER_PLATFORM_WIN32_WINDOWS_, 4, 0, 0x040003B6, "");
    OperatingSystem w95(source);
    QCOMPARE(w95.Name(), std::string("Windows 95"));
    QCOMPARE(w95.VersionString(), std::string("4.00.0950"));
    QVERIFY(!w95.Is98());
}

void OperatingSystemTest::nameTable_data()
{
    QTest::addColumn<uint>("platformId");
    QTest::addColumn<uint>("major");
    QTest::addColumn<uint>("minor");
    QTest::addColumn<uint>("build");
    QTest::addColumn<int>("platform");
    QTest::addColumn<int>("family");
    const uint nine = VER_PLATFORM_WIN32_WINDOWS_, nt = VER_PLATFORM_WIN32_NT_;
    QTest::newRow("Win32s") << uint(VER_PLATFORM_WIN32s_) << 3u << 10u << 0u << 0 << 0;
    QTest::newRow("95 OSR2") << nine << 4u << 0u << 1111u << 2 << 0;
    QTest::newRow("98") << nine << 4u << 10u << 1998u << 3 << 0;
    QTest::newRow("Me") << nine << 4u << 90u << 3000u << 5 << 0;
    QTest::newRow("NT 3.0") << nt << 3u << 0u << 0u << 6 << 1;
    QTest::newRow("NT 3.1") << nt << 3u << 1u << 528u << 7 << 1;
    QTest::newRow("NT 3.5") << nt << 3u << 5u << 807u << 8 << 1;
    QTest::newRow("NT 3.51") << nt << 3u << 51u << 1057u << 12 << 1;
    QTest::newRow("NT 6.1") << nt << 6u << 1u << 7601u << 12 << 0;
}

void OperatingSystemTest::nameTable()
{
    QFETCH(uint, platformId);
    QFETCH(uint, major);
    QFETCH(uint, minor);
    QFETCH(uint, build);
    QFETCH(int, platform);
    QFETCH(int, family);
    FakeVersionSource source;
    source.basic = record(platformId, major, minor, build, "");
    source.extended = source.basic;
    OperatingSystem os(source);
    QCOMPARE(os.Platform(), platform);
    QCOMPARE(os.Family(), family);
    QCOMPARE(os.Name(), OperatingSystem::NameOf(platform));
}

void OperatingSystemTest::fieldComparison()
{
    FakeVersionSource source;
    source.basic = record(VER_PLATFORM_WIN32_NT_, 4, 0, 1381, "Service Pack 6");
    OperatingSystem nt4(source);
    QVERIFY(nt4.CompareVersion(4, 0, 1381, 6, 0, 1, false));
    QVERIFY(!nt4.CompareVersion(4, 0, 1381, 5, -1, 1, false)); // the service pack counts on NT
    QVERIFY(nt4.CompareVersion(4, 0, 1381, 5, -1, 2, false));
    QVERIFY(nt4.CompareVersion(3, 51, 9999, 9, 9, 2, false)); // major decides first
    QVERIFY(nt4.CompareVersion(4, 0, 1381, 6, -1, 5, false));
    QVERIFY(!nt4.CompareVersion(4, 0, 1381, 6, 0, 0, false));
    QVERIFY(!nt4.CompareVersion(4, 0, 1381, 6, 0, 6, false));

    // Off the NT line the service-pack components are not compared.
    source.basic = record(VER_PLATFORM_WIN32_WINDOWS_, 4, 10, 2222, "");
    OperatingSystem w98(source);
    QVERIFY(w98.CompareVersion(4, 10, 2222, 3, 1, 1, false));
    QVERIFY(w98.CompareVersion(4, 10, 2000, -1, -1, 3, true)); // no system check here: fields
    QVERIFY(source.checks.isEmpty());

    // XP answers the field comparison with its service pack, even though IsNT is false.
    setNt5(source, 1, 2600, 1, "Service Pack 1");
    OperatingSystem xp(source);
    QVERIFY(!xp.CompareVersion(5, 1, -1, 2, -1, 1, false));
    QVERIFY(xp.CompareVersion(5, 1, -1, 2, -1, 4, false));
}

void OperatingSystemTest::suites()
{
    FakeVersionSource source;
    setNt5(source, 0, 2195, 2, "Service Pack 2");
    OperatingSystem w2000(source);
    QVERIFY(!w2000.IsSuiteInstalled(0));
    QVERIFY(source.checks.isEmpty());
    QVERIFY(w2000.IsSuiteInstalled(0x0080));
    QCOMPARE(source.checks.size(), 1);
    QCOMPARE(source.checks.first().typeMask, uint32_t(VER_SUITENAME_));
    QCOMPARE(int(source.checks.first().condition), int(VER_OR_));
    QCOMPARE(source.checks.first().wanted.suiteMask, uint16_t(0x0080));

    source.basic = record(VER_PLATFORM_WIN32_NT_, 4, 0, 1381, "");
    OperatingSystem nt4(source);
    QVERIFY(!nt4.IsSuiteInstalled(0x0080));
    QCOMPARE(source.checks.size(), 1);
}

void OperatingSystemTest::registryPaths()
{
    auto parse = [](const char* text) { return OperatingSystem::ParseRegistryPath(text); };
    auto path = parse("HKLM\\SOFTWARE\\Vendor\\App\\Installed");
    QVERIFY(path);
    QCOMPARE(path->hive, 0x80000002u);
    QCOMPARE(path->key, std::string("SOFTWARE\\Vendor\\App"));
    QCOMPARE(path->valueName, std::string("Installed"));
    QCOMPARE(parse(" HKEY_CLASSES_ROOT \\ .kix \\Content Type")->key, std::string(".kix"));
    QCOMPARE(parse(" HKEY_CLASSES_ROOT \\ .kix \\Content Type")->hive, 0x80000000u);
    QCOMPARE(parse("HKU\\Name")->hive, 0x80000003u);
    QCOMPARE(parse("HKU\\Name")->key, std::string());
    // The root is compared exactly: anything else is the current user.
    QCOMPARE(parse("hklm\\Software\\X")->hive, 0x80000001u);
    QVERIFY(!parse("HKLM"));

    FakeVersionSource source;
    source.numbers[std::to_string(0x80000001u) + "|Software\\A|N"] = 7;
    QCOMPARE(OperatingSystem::ReadRegistryNumber(source, "HKCU\\Software\\A\\N"), std::optional<uint32_t>(7));
    QVERIFY(!OperatingSystem::ReadRegistryNumber(source, "HKCU\\Software\\A\\Other"));
    QVERIFY(!OperatingSystem::ReadRegistryNumber(source, "NoBackslash"));
}

void OperatingSystemTest::hostReportsNoNtSystem()
{
#ifdef _WIN32
    QSKIP("The live record of a Windows system depends on the machine.");
#else
    // Off Windows the run commands must not get the /s rule's flags (see the run-command tests).
    std::unique_ptr<OsVersionSource> source = liveOsVersionSource();
    OperatingSystem os(*source);
    QVERIFY(!os.IsNT());
    QVERIFY(!os.CompareVersion(5, 0, 0, 0, 0, 3, true));
#endif
}

QTEST_APPLESS_MAIN(OperatingSystemTest)
#include "test_operating_system.moc"
