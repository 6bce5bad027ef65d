#include "app/ToolbarIcons.h"

#include <QDir>
#include <QFont>
#include <QHash>
#include <QPainter>
#include <QPixmap>

#ifdef Q_OS_WIN
// Windows has no icon themes: the icons the program asks the theme for are compiled into the library
// (cmake/Windows.cmake), whose resources the linker keeps only when registered by name.
static void registerCompiledIcons()
{
    Q_INIT_RESOURCE(icons);
}
#endif

namespace ToolbarIcons {

void selectIconTheme()
{
#ifdef Q_OS_WIN
    registerCompiledIcons();
    QIcon::setThemeSearchPaths({QStringLiteral(":/icons")});
    QIcon::setThemeName(QStringLiteral("Tango"));
    QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
    return;
#endif
    // Some platform plugins (offscreen, minimal) search no system icon folders at all.
    QStringList paths = QIcon::themeSearchPaths();
    QStringList dataDirs = qEnvironmentVariable("XDG_DATA_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (dataDirs.isEmpty())
        dataDirs = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    for (const QString& dir : dataDirs) {
        QString icons = dir + QStringLiteral("/icons");
        if (!paths.contains(icons) && QDir(icons).exists())
            paths << icons;
    }
    QIcon::setThemeSearchPaths(paths);

    // Without a desktop session Qt falls back to "hicolor", which has no action icons.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Tango"));
    if (QIcon::fallbackThemeName().isEmpty() || QIcon::fallbackThemeName() == QLatin1String("hicolor"))
        QIcon::setFallbackThemeName(QStringLiteral("Tango"));
}

// Comment / uncomment have no standard theme icon: a page with a semicolon, crossed out to uncomment.
static QIcon drawnCommentIcon(bool uncomment)
{
    QIcon icon;
    for (int size : {16, 22, 24, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        QRectF page(size * 0.15, size * 0.05, size * 0.7, size * 0.9);
        p.setPen(QPen(QColor(0x55, 0x57, 0x53), 1));
        p.setBrush(Qt::white);
        p.drawRect(page);
        // The semicolon is drawn as shapes: text would load a font at every size before the window
        // first shows.
        const QColor green(0x4e, 0x9a, 0x06);
        const double dot = size * 0.09;
        p.setPen(Qt::NoPen);
        p.setBrush(green);
        p.drawEllipse(QPointF(size * 0.5, size * 0.36), dot, dot);
        p.drawEllipse(QPointF(size * 0.5, size * 0.62), dot, dot);
        p.setPen(QPen(green, dot * 1.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(size * 0.5 + dot * 0.6, size * 0.62), QPointF(size * 0.5 - dot * 0.8, size * 0.62 + dot * 2.6));
        if (uncomment) {
            p.setPen(QPen(QColor(0xcc, 0x00, 0x00), size / 10.0 + 1, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(size * 0.2, size * 0.8), QPointF(size * 0.8, size * 0.2));
        }
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon forKey(const QString& key)
{
    static const QHash<QString, QString> themeNames{
        {"New", "document-new"},     {"Open", "document-open"},       {"Save", "document-save"},
        {"Print", "document-print"}, {"Cut", "edit-cut"},             {"Copy", "edit-copy"},
        {"Paste", "edit-paste"},     {"Undo", "edit-undo"},           {"Redo", "edit-redo"},
        {"Outdent", "format-indent-less"}, {"Indent", "format-indent-more"},
        {"Find", "edit-find-replace"},
    };
    if (key == QLatin1String("Comment"))
        return drawnCommentIcon(false);
    if (key == QLatin1String("Uncomment"))
        return drawnCommentIcon(true);
    return QIcon::fromTheme(themeNames.value(key));
}

} // namespace ToolbarIcons
