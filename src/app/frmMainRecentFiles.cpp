// The recent-files list of the File menu, kept in the registry under the preferences key.

#include "app/CaptionText.h"
#include "platform/ProductInfo.h"
#include "app/frmMain.h"
#include "platform/DialogService.h"
#include "preferences/PrefRegistry.h"
#include "preferences/RegistryHandler.h"
#include "preferences/frmOptions.h"

#include <QComboBox>
#include <QFileInfo>

static QString valueName(int k)
{
    return QStringLiteral("MRUFile") + QString::number(k);
}

void frmMain::LoadRecentFiles()
{
    RecentRegistry = std::make_unique<RegistryHandler>();
    RecentRegistry->SetHive(platform::HKEY_CURRENT_USER_);
    RecentRegistry->SetSubKey(kPreferencesKey);
    if (!RecentRegistry->ExistKey(QStringLiteral("MRU"))) {
        RecentRegistry->SetSubKey(kRecentFilesKey);
        RecentRegistry->WriteRegValue(QStringLiteral("MRUInit"), TaggedValue::fromInt16(1));
    }
    RecentRegistry->SetSubKey(kRecentFilesKey);
    readStoredRecentFiles();
    for (QAction* action : mnuFileMRU)
        action->setVisible(false);
    for (int i = 0; i < RecentFileList::Capacity; ++i)
        ShowRecentFile(i);
}

void frmMain::ShowRecentFile(int index)
{
    int size = frmOptions::Get()->cboMRU->currentText().toInt();
    const QString& path = RecentFiles.at(index);
    if (index >= size || path.isEmpty())
        return;
    QAction* action = mnuFileMRU[size_t(index)];
    // Only the number is the access key.
    action->setText(RecentFileList::caption(index, literalCaption(path)));
    action->setData(path);
    action->setVisible(true);
}

void frmMain::readStoredRecentFiles()
{
    for (int k = 1; k <= RecentFileList::Capacity; ++k)
        RecentFiles.set(k - 1,
                        RecentRegistry->GetRegValue(valueName(k), TaggedValue::fromString(QString())).toString());
}

void frmMain::AddRecentFile(const QString& path)
{
    // Another editor sharing the settings may have added files since this list was read: start from
    // the stored list, so that writing it back keeps them.
    if (RecentRegistry)
        readStoredRecentFiles();
    RecentFiles.add(path);
}

void frmMain::SaveRecentFiles()
{
    if (!RecentRegistry)
        return;
    // One change of the settings file: two editors adding a file at once never interleave their lists.
    QList<std::pair<QString, TaggedValue>> values;
    for (int k = 1; k <= RecentFileList::Capacity; ++k)
        values.append({valueName(k), TaggedValue::fromString(RecentFiles.at(k - 1))});
    RecentRegistry->WriteRegValues(values);
}

void frmMain::mnuFileMRU_Click(int index)
{
    QString path = mnuFileMRU[size_t(index)]->data().toString();
    if (path.isEmpty())
        return;
    if (QFileInfo(path).isFile()) {
        if (!openFileReportingFailure(path))
            return;
        AddRecentFile(path);
        SaveRecentFiles();
        LoadRecentFiles();
        return;
    }
    platform::dialogs().message(this,
                                path + QStringLiteral(" cannot be found.\r\nMake sure the file you are trying to "
                                                      "access exists in the specified path and try opening the "
                                                      "file again."),
                                ProductInfo::AppTitle, platform::MessageButtons::Ok, platform::MessageIcon::Critical);
}
