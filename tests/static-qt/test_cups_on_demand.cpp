// With Qt built in, libcups is loaded by the first CUPS call, not at start, and the calls reach it.
#include <QtTest>

#include <cups/cups.h>
#include <dlfcn.h>
#include <pwd.h>
#include <unistd.h>

namespace {

bool cupsLoaded()
{
    void* handle = dlopen("libcups.so.2", RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

} // namespace

class TestCupsOnDemand : public QObject {
    Q_OBJECT

private slots:
    void loadedByTheFirstCallOnly()
    {
        QVERIFY2(!cupsLoaded(), "libcups was loaded before any printing");
        qunsetenv("CUPS_USER");
        const passwd* user = getpwuid(getuid());
        QVERIFY(user);
        QCOMPARE(QByteArray(cupsUser()), QByteArray(user->pw_name));
        QVERIFY(cupsLoaded());

        // Arguments and results pass through unchanged.
        cups_option_t options[2] = {{const_cast<char*>("copies"), const_cast<char*>("3")},
                                    {const_cast<char*>("media"), const_cast<char*>("A4")}};
        QCOMPARE(QByteArray(cupsGetOption("media", 2, options)), QByteArray("A4"));
        QCOMPARE(cupsGetOption("sides", 2, options), nullptr);
        cupsSetUser("someone-else");
        QCOMPARE(QByteArray(cupsUser()), QByteArray("someone-else"));
    }
};

QTEST_APPLESS_MAIN(TestCupsOnDemand)
#include "test_cups_on_demand.moc"
