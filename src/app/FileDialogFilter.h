#pragma once
#include <QString>

namespace FileDialogFilter {
// Turns a common-dialog filter ("Caption|*.a;*.b|All Files (*.*)|*.*") into Qt's form
// ("Caption (*.a *.b);;All Files (*.*) (*)"), keeping every caption as written. "*.*" means every
// file, as it does on Windows; other patterns are kept as they are.
QString toQt(const QString& commonDialogFilter);
} // namespace FileDialogFilter
