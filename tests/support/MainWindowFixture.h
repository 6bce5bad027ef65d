#pragma once
// The main window as the tests drive it: shown, its dialogs answered from a script, with a settings
// file of its own for every test.

#include "ScriptedDialogService.h"
#include "TestFiles.h"
#include "app/frmMain.h"
#include "document/frmDocument.h"
#include "preferences/PrefRegistry.h"

#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

// Points the settings and the recovery folder at new ones in dir, so that nothing an earlier test (or
// an earlier run that crashed) left is read.
inline void useFreshSettings(const QTemporaryDir& dir)
{
    static int run = 0;
    ++run;
    qputenv("TESSARY_REGISTRY_FILE", dir.filePath(QStringLiteral("settings-%1.reg").arg(run)).toLocal8Bit());
    qputenv("TESSARY_RECOVERY_DIR", dir.filePath(QStringLiteral("recovery-%1").arg(run)).toLocal8Bit());
}

// A key of the user's settings through a handler of the test's own.
inline RegistryHandler userKey(const QString& key = QString::fromLatin1(kPreferencesKey))
{
    RegistryHandler registry;
    registry.SetHive(platform::HKEY_CURRENT_USER_);
    registry.SetSubKey(key);
    return registry;
}

// The stored window geometry (left, top, width, height), after storing `write` when it is given.
inline QStringList storedGeometry(const QStringList& write = {})
{
    RegistryHandler preferences = userKey();
    QStringList values;
    for (const char* name : {"MainLeft", "MainTop", "MainWidth", "MainHeight"}) {
        if (!write.isEmpty())
            preferences.WriteRegValue(QLatin1String(name), TaggedValue::fromString(write[values.size()]));
        values << preferences.GetRegValue(QLatin1String(name), TaggedValue()).toString();
    }
    return values;
}

struct Shown {
    ScriptedDialogService dialogs;
    frmMain window;
    explicit Shown(const QString& commandLine = {}) : window(commandLine) { window.show(); }
};

// The documents as the user sees them: the open count, the windows, each tab (the current one
// marked "*") and the caption of the script in front: "2/2 Untitled 1|x.kix* > /s/x.kix".
inline QString documentsShown(frmMain& window)
{
    QStringList tabs;
    for (int i = 0; i < window.tsTabs->count(); ++i)
        tabs << window.tsTabs->tabText(i) + (i == window.tsTabs->currentIndex() ? QStringLiteral("*") : QString());
    frmDocument* active = window.activeDocument();
    return QStringLiteral("%1/%2 %3 > %4")
        .arg(window.OpenCount)
        .arg(window.openDocuments().size())
        .arg(tabs.join(QLatin1Char('|')), active ? active->Caption() : QStringLiteral("none"));
}

// An edit at the end of the script, as typing makes it (append() would clear the undo history).
inline void typeAtEnd(CodeEditor* editor, const QString& text)
{
    editor->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
    editor->insert(text);
}

// Keys typed into the script in front, as the user types them.
inline void typeInFront(frmMain& window, const QString& text)
{
    CodeEditor* editor = window.activeDocument()->rtfText;
    editor->setFocus();
    QTest::keyClicks(editor, text);
}
