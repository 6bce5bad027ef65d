// The Preferences dialog's controls and life cycle; every value's load and write is test_preference_table.

#include "ScriptedDialogService.h"
#include "preferences/RegistryHandler.h"
#include "preferences/ColorSwatch.h"
#include "preferences/frmOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class PreferencesDialogTest : public QObject {
    Q_OBJECT
    QTemporaryDir folder_;
    std::unique_ptr<ScriptedDialogService> dialogs_;
    // The preferences key through a store of its own, not the one the form uses.
    std::unique_ptr<RegistryHandler> prefs_;

    // "DWORD 5", "SZ 4": the stored registry type and value; empty when nothing is stored.
    QString stored(const QByteArray& name)
    {
        const TaggedValue value = prefs_->GetRegValue(QLatin1String(name), TaggedValue());
        using Tag = TaggedValue::Tag;
        const QString type = value.tag() == Tag::Int32 ? "DWORD " : value.tag() == Tag::String ? "SZ " : "other ";
        return value.isEmpty() ? QString() : type + value.toString();
    }
    void storeDword(const QString& name, qint32 n) { prefs_->WriteRegValue(name, TaggedValue::fromInt32(n)); }
    void storeString(const QString& name, const QString& s) { prefs_->WriteRegValue(name, TaggedValue::fromString(s)); }

private slots:
    void initTestCase()
    {
        qputenv("TESSARY_REGISTRY_FILE", folder_.filePath(QStringLiteral("registry.reg")).toUtf8());
        prefs_ = std::make_unique<RegistryHandler>();
        prefs_->SetHive(platform::HKEY_CURRENT_USER_);
        prefs_->SetSubKey(QStringLiteral("Software\\Orland Works\\Tessary Editor\\Preferences"));
    }

    void init()
    {
        // Every case starts from a preferences key holding nothing but the start-up marker.
        for (const QStringList& value : prefs_->EnumValues())
            prefs_->DeleteValue(value.value(0));
        storeString("ID", "1");
        dialogs_ = std::make_unique<ScriptedDialogService>();
        frmOptions::ActiveEditor = nullptr;
        frmOptions::RecentFilesChanged = nullptr;
    }

    void cleanup()
    {
        frmOptions::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        dialogs_.reset();
    }

    void restoreDefaultsDeletesTheFourteenAtOnce()
    {
        storeDword("TabSize", 9);
        storeDword("ColorComments", 0x00123456);
        storeDword("ColorKeywords", 0); // both ends of the range are colours
        storeDword("ColorStrings", 0x00FFFFFF);
        storeString("StyleFont", "Courier New");
        frmOptions* form = frmOptions::Get();
        QCOMPARE(form->lblColor[0]->bgr(), 0x00123456u);
        QCOMPARE(form->lblColor[1]->bgr(), 0u);
        QCOMPARE(form->lblColor[4]->bgr(), 0x00FFFFFFu);
        form->cmdApply->click(); // every one of the fourteen is stored now
        QVERIFY(!stored("StyleFontSize").isEmpty());
        form->chkWhiteSpaces->setChecked(true); // an unapplied edit, replaced by the reload
        form->cmdDefaults->click();
        QCOMPARE(form->lblColor[0]->bgr(), 0x00008000u);
        QCOMPARE(form->cboFont->currentText() + form->cboTabSize->currentText(), QStringLiteral("Lucida Console9"));
        QVERIFY(!form->chkWhiteSpaces->isChecked());
        form->cmdCancel->click();
        for (const char* kind : {"Color", "Style"})
            for (const char* element : {"Comments", "Keywords", "Numbers", "Operators", "Strings", "Text"})
                QVERIFY2(stored(QByteArray(kind) + element).isEmpty(), element);
        QVERIFY(stored("StyleFont").isEmpty() && stored("StyleFontSize").isEmpty());
        QCOMPARE(stored("TabSize"), QStringLiteral("DWORD 9"));
    }

    void indentOptionsKeepTheScopeCheck()
    {
        storeDword("AutoIndentMode", 1);
        frmOptions* form = frmOptions::Get();
        QVERIFY(form->optIndent[1]->isChecked() && form->chkIndent->isChecked() && form->chkIndent->isEnabled());
        QCOMPARE(form->GetIndentMode(), 1);
        form->optIndent[0]->click();
        QVERIFY(!form->chkIndent->isEnabled() && form->chkIndent->isChecked());
        QCOMPARE(form->GetIndentMode(), 0);
        // A reload of stored mode 2 clears a check left over from unapplied edits.
        storeDword("AutoIndentMode", 2);
        form->cmdDefaults_Click();
        QCOMPARE(form->GetIndentMode(), 2);
    }

    void swatchTakesTheChosenColour()
    {
        frmOptions* form = frmOptions::Get();
        dialogs_->colorAnswers = {QColor(0x12, 0x34, 0x56), std::nullopt};
        QTest::mouseDClick(form->lblColor[3], Qt::LeftButton);
        QVERIFY(stored("ColorOperators").isEmpty()); // nothing written before Apply
        form->lblColor_DblClick(3); // cancelled: the colour stays
        QCOMPARE(dialogs_->colorRequests, 2);
        form->cmdApply->click();
        QCOMPARE(stored("ColorOperators"), QStringLiteral("DWORD %1").arg(0x00563412));
    }

    void browseButtonsFillThePaths()
    {
        frmOptions* form = frmOptions::Get();
        dialogs_->folderAnswers = {QStringLiteral("/home/me/My Scripts"), QString()};
        form->cmdScriptsPath->click();
        form->cmdScriptsPath_Click(); // cancelled
        QCOMPARE(form->txtScriptsPath->text(), QStringLiteral("/home/me/My Scripts/"));
        dialogs_->openAnswers = {QStringLiteral("/opt/kix/kix32.exe"), QString()};
        form->cmdKixPath->click();
        form->cmdKixPath_Click(); // cancelled
        QCOMPARE(form->txtKixPath->text(), QStringLiteral("/opt/kix/kix32.exe"));
        const auto& again = dialogs_->openRequests.last(); // starts at the file chosen before
        QCOMPARE(QDir(again.directory).filePath(again.fileName), QStringLiteral("/opt/kix/kix32.exe"));
        // The browse dialog shows each filter's caption once, and still filters by its pattern.
        QCOMPARE(ScriptedDialogService::filterCaptionsShown(dialogs_->openRequests.last()),
                 (QStringList{"kix32.exe", "All Executable Files (*.exe)"}));
        QCOMPARE(ScriptedDialogService::firstFilterPatterns(dialogs_->openRequests.last()), QStringList{"kix32.exe"});
    }

    void mruPickRebuildsTheMenuBeforeAnythingIsWritten()
    {
        storeString("MRUSize", "6");
        frmOptions* form = frmOptions::Get();
        QStringList seen;
        frmOptions::RecentFilesChanged = [&] {
            seen << frmOptions::Get()->cboMRU->currentText() + QLatin1Char('/') + stored("MRUSize");
        };
        form->cboMRU->setFocus();
        QTest::keyClick(form->cboMRU, Qt::Key_Up);
        QCOMPARE(seen, QStringList{"5/SZ 6"});
        form->cmdCancel->click();
        QCOMPARE(stored("MRUSize") + frmOptions::Get()->cboMRU->currentText(), QStringLiteral("SZ 66"));
        QCOMPARE(seen.size(), 1); // loading the form again is not a pick
    }

    void modalDialogUnloadsSafely()
    {
        frmOptions* first = frmOptions::Get();
        QCOMPARE(frmOptions::Get(), first);
        first->cboTabSize->setCurrentText(QStringLiteral("3"));
        // Escape while modal: closed, unloaded, nothing written.
        QTimer::singleShot(0, [] { QTest::keyClick(frmOptions::IfLoaded()->tbrOptions, Qt::Key_Escape); });
        frmOptions::ShowModal();
        QVERIFY(!frmOptions::IfLoaded() && stored("TabSize").isEmpty());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // OK while modal: written, and the next use reads the store again.
        frmOptions::Get()->cboTabSize->setCurrentText(QStringLiteral("3"));
        QTimer::singleShot(0, [] { frmOptions::IfLoaded()->cmdOk->click(); });
        frmOptions::ShowModal();
        QVERIFY(!frmOptions::IfLoaded());
        QCOMPARE(stored("TabSize"), QStringLiteral("DWORD 3"));
        QCOMPARE(frmOptions::Get()->cboTabSize->currentText(), QStringLiteral("3"));
    }
};

QTEST_MAIN(PreferencesDialogTest)
#include "test_preferences_dialog.moc"
