#include "app/SettingsNotices.h"

#include "platform/DialogService.h"
#include "platform/ProductInfo.h"
#include "platform/RegistryNotices.h"

#include <QApplication>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace SettingsNotices {

bool showPending(QWidget* parent)
{
    QStringList texts;
    for (const std::string& text : platform::registrynotices::take())
        texts.append(QString::fromStdString(text));
    if (texts.isEmpty())
        return false;
    // A modal window up now (the preferences, whose Apply may be what failed) owns the box, so that
    // the box comes up over it rather than behind it.
    QWidget* modal = QApplication::activeModalWidget();
    platform::dialogs().message(modal ? modal : parent, texts.join(QStringLiteral("\r\n\r\n")),
                                ProductInfo::AppTitle, platform::MessageButtons::Ok,
                                platform::MessageIcon::Exclamation);
    return true;
}

void watch(QWidget* parent)
{
    QPointer<QWidget> guard(parent);
    auto scheduled = std::make_shared<bool>(false);
    auto schedule = [guard, scheduled] {
        if (*scheduled || !guard)
            return;
        *scheduled = true;
        QTimer::singleShot(0, guard, [guard, scheduled] {
            *scheduled = false;
            if (guard)
                showPending(guard);
        });
    };
    platform::registrynotices::setListener(schedule);
    QObject::connect(parent, &QObject::destroyed, [] { platform::registrynotices::setListener(nullptr); });
    schedule();
}

} // namespace SettingsNotices
