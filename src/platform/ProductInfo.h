#pragma once
#include <QString>

namespace ProductInfo {
// The application title: main window caption, message box titles, first status panel.
inline const QString AppTitle = QStringLiteral("Tessary Editor");
// The product web site (a reserved example domain until the product has its own).
inline const QString WebSite = QStringLiteral("https://tessary-editor.example.com");
// The maker's web site.
inline const QString MakerWebSite = QStringLiteral("https://orland-works.example.com");
} // namespace ProductInfo
