// The INI file class on the portable INI store; the profile-function rules themselves are the shared
// cases of ini_profile_cases.txt.

#include "platform/PortableIniStore.h"
#include "wizards/clsIni.h"
#include "CaseFile.h"
#include "IniProfileCases.h"
#include "ScriptedDialogService.h"
#include "TestFiles.h"

#include <QtTest>

class IniFileTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::shared_ptr<platform::PortableIniStore> store_;
    std::optional<ScriptedDialogService> dialogs_;

    QString write(const QString& name, const QByteArray& text) { return writeFileIn(dir_, name, text); }

    clsIni open(const QString& name, const QByteArray& text)
    {
        clsIni ini(store_);
        ini.setFullPath(write(name, text));
        return ini;
    }

private slots:
    void init()
    {
        store_ = std::make_shared<platform::PortableIniStore>(dir_.filePath("system/win.ini").toStdString());
        dialogs_.emplace();
    }

    void notReadyUntilNamedAndLogicErrorMessage()
    {
        const QString path = write("a.ini", "[General]\r\nName=x\r\n");
        clsIni ini(store_);
        QVERIFY(ini.GetString("Name", "d").isEmpty() && ini.GetInt("Name", 5) == 0 && ini.PutString("Name", "y") == 0);
        QVERIFY(dialogs_->messages.size() == 3 && dialogs_->messages[0].icon == platform::MessageIcon::Information);
        QCOMPARE(dialogs_->messages[0].title + "|" + dialogs_->messages[0].text,
                 QString("IniFile Logic Error|[Section] and FileName Not Registered in Private.Ini!"));
        QCOMPARE(ini.SectionName(), QString("General"));
        ini.setFullPath(path);
        QCOMPARE(ini.GetString("Name", "d"), QString("x"));
        ini.setSectionName("   ");
        QCOMPARE(ini.GetString("Name", "d"), QString());
        QCOMPARE(dialogs_->messages.size(), 4);
        QCOMPARE(readFile(path), QByteArray("[General]\r\nName=x\r\n")); // the refused write wrote nothing
    }

    void readsBeyondTheProfileRules()
    {
        clsIni ini = open("r.ini", "[ Main ]\nneg=-7\nbig=70000\nsmall=-70000\non=  on  \ntwo=2\nminus=-1\nno=NO\ny=y\n"
                                   "t=t\nyes=Yes\none=1\n[Other]\nk=v\n");
        ini.setSectionName("main");
        QVERIFY(ini.GetInt("big", 1) == 32767 && ini.GetInt("small", 1) == -32768);
        QCOMPARE(ini.GetString("k", "dflt  "), QString("dflt"));
        for (const QStringList& row : cases::table("ini_file.txt", "truth values"))
            QVERIFY2(ini.GetTF(row[0], row[1] == "1") == (row[2] == "1"), qPrintable(row.join(' ')));
        QCOMPARE(ini.IniRead("Other", "K", 0, "d", false, ini.FullPath()), QString("v"));
        QCOMPARE(ini.IniRead("Main", "neg", 0, "d", true, ini.FullPath()), QString("-7"));
        // At most 254 characters come back, as through the 255-character buffer.
        ini.PutString("long", QString(300, 'z'));
        QVERIFY(ini.GetString("long", "").size() == 254 && dialogs_->messages.isEmpty());
    }

    // The cases the Windows backend tests also run through the system's profile functions.
    void sharedProfileCases()
    {
        int files = 0;
        QStringList failures;
        const auto fail = [&](int line, const std::string& what) { failures << QString("line %1: %2").arg(line).arg(what.c_str()); };
        QVERIFY(inicases::run(
            TESSARY_TEST_DATA_DIR "/ini_profile_cases.txt", *store_,
            [&](const std::string& text) {
                return write(QString("case%1.ini").arg(++files), QByteArray::fromStdString(text)).toStdString();
            },
            fail, [](int line, const std::string& what) { qWarning("line %d: %s", line, what.c_str()); }));
        QVERIFY(files > 3);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join('\n')));
    }

    void sectionListFromTheFileText()
    {
        clsIni ini = open("s.ini", "[A] ; first\r\nx=1\r\n; [B]\r\n[C]\r[D]x\r\n[a]\r\n"); // a lone CR ends a line too
        QStringList sections{"untouched"};
        QCOMPARE(ini.GetSectionsEx(sections), qint16(3));
        QCOMPARE(sections, QStringList({"A", "C", "a"}));
        QVERIFY(ini.SectExist("c") && ini.SectExist("")); // an empty name counts as present
        for (const char* absent : {"B", "D"}) // commented out; text after the bracket
            QVERIFY2(!ini.SectExist(absent), absent);
        ini.setFullPath(write("none.ini", "x=1\n"));
        QCOMPARE(ini.GetSections(), QString(2, QChar(0)));
        QCOMPARE(ini.GetSectionsEx(sections), qint16(0));
        QCOMPARE(sections, QStringList({"A", "C", "a"}));
        ini.setFullPath(dir_.filePath("absent.ini"));
        QVERIFY(!ini.SectExist("A"));
        // A line longer than a read block stays one line: no piece of it names a section.
        for (int length : {(1 << 16) - 1, (1 << 20) - 1, 1 << 20}) {
            ini.setFullPath(write("long.ini", QByteArray(length, 'x') + "[Phantom]\r\n[Real]\r\n"));
            QCOMPARE(ini.GetSectionsEx(sections), qint16(1));
            QCOMPARE(sections[0], QString("Real"));
        }

        ini.setFullPath(write("e.ini", "[S]\nk = v\n; note\n\nw\n[T]\n"));
        ini.setSectionName("s");
        QVERIFY(ini.SectExist("S")); // the first section too
        QCOMPARE(ini.GetSectEntries(), QString("k=v") + QChar(0) + "w" + QChar(0) + QChar(0));
        std::array<QStringList, 2> entries;
        QCOMPARE(ini.GetSectEntriesEx(entries), qint16(2));
        QCOMPARE(entries, (std::array<QStringList, 2>{QStringList{"k", ""}, QStringList{"v", "w"}}));
        ini.setSectionName("T");
        QCOMPARE(ini.GetSectEntries(), QString(QChar(0)));
        QCOMPARE(ini.GetSectEntriesEx(entries), qint16(0));
        QCOMPARE(entries[0], QStringList({"k", ""}));
        // A block longer than the 4096-character buffer is cut and still ends with two NULs.
        ini.PutString("long", QString(5000, 'v'));
        QCOMPARE(ini.GetSectEntries(), "long=" + QString(4089, 'v') + QChar(0) + QChar(0));
    }

    void writesKeepCommentsAndOtherLines()
    {
        clsIni ini = open("w.ini", "; settings\r\n[General]\r\n; the name\r\nName = old \r\n\r\n[Other]\r\nx=1");
        QVERIFY(ini.PutString("NAME", "new") == 1 && ini.PutInt("Count", -3) == 1);
        ini.setSectionName("Added");
        QCOMPARE(ini.PutString("z", "3"), 1);
        const QByteArray written = "; settings\r\n[General]\r\n; the name\r\nName=new\r\nCount=-3\r\n\r\n[Other]\r\nx=1\r\n"
                                   "[Added]\r\nz=3\r\n";
        QCOMPARE(readFile(ini.FullPath()), written);
        // Text that would break the file's lines is refused, and the file stays as it was.
        QCOMPARE(ini.PutString("bad", "a\nb") + ini.PutString("a=b", "c") + ini.PutString(";c", "1"), 0);
        QCOMPARE(readFile(ini.FullPath()), written);
        // New lines take a file's own line break, a lone CR too; a file without any write permission is
        // read-only, even for root: the write fails and the file keeps its bytes and mode.
        clsIni cr = open("cr.ini", "[General]\rk=v\r");
        QCOMPARE(cr.PutString("n", "1"), 1);
        QCOMPARE(readFile(cr.FullPath()), QByteArray("[General]\rk=v\rn=1\r"));
        if (inicases::makeReadOnly(cr.FullPath().toStdString())) {
            QCOMPARE(cr.PutString("n", "2"), 0);
            QCOMPARE(readFile(cr.FullPath()), QByteArray("[General]\rk=v\rn=1\r"));
            QCOMPARE(int(QFile::permissions(cr.FullPath())) & 0x7077, 0x4044); // owner, group, others
        } else {
            qWarning("this user may write read-only files here (Wine run as root): the refusal is not checked");
        }
        // A file that exists but cannot be read is never written over.
        const QString locked = write("locked.ini", "[General]\nk=v\n");
        QFile::setPermissions(locked, QFileDevice::WriteOwner);
        if (!QFile(locked).open(QIODevice::ReadOnly)) {
            ini.setFullPath(locked);
            QCOMPARE(ini.PutString("k", "w"), 0);
            QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            QCOMPARE(readFile(locked), QByteArray("[General]\nk=v\n"));
        }
    }

    void deletions()
    {
        clsIni ini = open("d.ini", "[General]\nkeep=1\ns=text\nn=5\n[Gone]\n; kept note\na=1\nb\n[Last]\nz=9\n");
        ini.DeleteStrEntry("s");
        ini.DeleteNumEntry("n");
        ini.setSectionName("gone");
        ini.DeleteSection();
        // Not ready after DeleteSection.
        QVERIFY(ini.SectionName().isEmpty() && ini.GetString("a", "d").isEmpty() && dialogs_->messages.size() == 1);
        QCOMPARE(readFile(ini.FullPath()), QByteArray("[General]\nkeep=1\ns=\n[Gone]\n; kept note\n[Last]\nz=9\n"));
    }

    void winIniModeOnAndOff()
    {
        const QString systemFile = dir_.filePath("system/win.ini");
        clsIni ini = open("p.ini", "[General]\nk=private\n");
        const QString path = ini.FullPath();
        ini.setUseWinINI(true);
        QVERIFY(ini.UseWinINI() && ini.FullPath() == systemFile && ini.PrivPath() == path);
        QCOMPARE(ini.GetString("k", "none"), QString("none"));
        QCOMPARE(ini.PutString("k", "system"), 1); // creates the file and its folder
        ini.DeleteNumEntry("n");                      // WIN.INI mode writes 0 instead of removing
        ini.IniWrite("Windows", "x", "1", path);      // the file argument plays no part here
        QByteArray made("[General]\nk=system\nn=0\n[Windows]\nx=1\n");
#ifdef Q_OS_WIN
        made.replace("\n", "\r\n"); // a new file takes the system's line break
#endif
        QCOMPARE(readFile(systemFile), made);
        QStringList sections;
        QCOMPARE(ini.GetSectionsEx(sections), qint16(2));
        ini.setUseWinINI(false);
        QVERIFY(!ini.UseWinINI() && ini.FullPath() == path);
        QCOMPARE(readFile(path), QByteArray("[General]\nk=private\n"));
        // Naming a file also ends WIN.INI mode.
        ini.setUseWinINI(true);
        ini.setFullPath(path);
        QVERIFY(!ini.UseWinINI() && ini.GetString("k", "none") == "private" && dialogs_->messages.isEmpty());
    }

    void pathHelpers()
    {
        clsIni ini(store_);
        // One trailing separator goes.
        QCOMPARE(QStringList({ini.ExtractPath("C:\\"), ini.ExtractPath("C:\\data\\a.ini"), ini.ExtractPath("C:\\\\a.ini"),
                              ini.ExtractPath("plain.ini")}),
                 QStringList({"C:", "C:\\data", "C:", QDir::toNativeSeparators(QDir::currentPath())}));
        for (const QStringList& row : cases::table("ini_file.txt", "name pieces"))
            QCOMPARE(ini.ExtractName(cases::text(row[0]), row[1].toInt()), row[2]);
        ini.setFullPath("/srv/conf/app.ini");
        QCOMPARE(ini.ExtractName("", 1) + "|" + ini.ExtractPath(""), QString("app|/srv/conf"));
        for (const char* name : {"present.ini", "x[1].ini"})
            write(name, "");
        for (const char* name : {"x[1].ini", "present.ini", "present"}) // ".*" appended to a bare name
            QVERIFY2(ini.Exists(dir_.filePath(name)), name);
        QVERIFY(!ini.Exists(dir_.filePath("absent.ini")) && !ini.Exists(dir_.filePath("system"))); // a folder is not a file
#ifndef Q_OS_WIN
        QVERIFY(!ini.Exists(dir_.filePath("PRESENT.INI"))); // names differing in case are other files here
#endif
    }
};

QTEST_MAIN(IniFileTest)
#include "test_ini_file.moc"
