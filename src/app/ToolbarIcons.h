#pragma once
#include <QIcon>
#include <QString>

namespace ToolbarIcons {
// Makes sure a full-colour icon theme is in use where the desktop does not set one.
void selectIconTheme();
// The toolbar icon for a button key ("New", "Open", ... "Comment", "Uncomment", "Find").
QIcon forKey(const QString& key);
} // namespace ToolbarIcons
