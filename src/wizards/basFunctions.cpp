#include "wizards/basFunctions.h"

#include "document/editor/CodeEditor.h"
#include "wizards/WizardHost.h"

#include <QApplication>
#include <QRegularExpression>
#include <QWidget>

namespace basFunctions {

bool SetTopMost(QWidget* window, bool on)
{
    if (!window)
        return false;
    const bool wasVisible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    // Changing a window flag hides a shown window; bring it back as it was.
    if (wasVisible)
        window->show();
    return on;
}

static const char* lineBreakOf(const CodeEditor& editor)
{
    switch (editor.eolMode()) {
    case QsciScintilla::EolWindows: return "\r\n";
    case QsciScintilla::EolMac: return "\r";
    default: return "\n";
    }
}

bool InsertGeneratedText(WizardHost* host, const QString& text)
{
    CodeEditor* editor = host ? host->WizardEditor() : nullptr;
    if (!editor)
        return false;
    static const QRegularExpression anyBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(anyBreak);
    const QString breakText = QString::fromLatin1(lineBreakOf(*editor));
    editor->ReplaceSelectionText(lines.join(breakText));
    // The control leaves an empty selection at the start of the inserted text; move it to the end.
    Range r = editor->GetSelectionRange(true);
    const int lastLength = int(lines.constLast().toUcs4().size());
    if (lines.size() == 1) {
        r.StartColumn += lastLength;
    } else {
        r.StartLine += int(lines.size()) - 1;
        r.StartColumn = lastLength;
    }
    r.EndLine = r.StartLine;
    r.EndColumn = r.StartColumn;
    editor->SetSelectionRange(r, true);
    return true;
}

QColor MenuColor()
{
    return QApplication::palette().color(QPalette::Window);
}

void SetBoxBackground(QWidget* box, const QColor& color)
{
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, color);
    palette.setColor(QPalette::Button, color); // drop-down lists paint with the button colour
    box->setPalette(palette);
}

} // namespace basFunctions
