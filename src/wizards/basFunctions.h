#pragma once
// Small routines the wizards and tool windows share.

class QColor;
class QString;
class QWidget;
class WizardHost;

namespace basFunctions {

// Keeps the window above all other windows (on) or returns it to the normal order (off). Returns
// true when on and the window could be raised to the top layer; false otherwise, as the off path
// always does.
bool SetTopMost(QWidget* window, bool on);

// Puts generated text into the active script: over the selection, or at the caret when nothing is
// selected (a new untitled script when none is open). Line breaks take the script's own form. The
// caret then stands just after the inserted text, with nothing selected. False when no script could
// take the text.
bool InsertGeneratedText(WizardHost* host, const QString& text);

// Entry boxes that are switched off show the system's menu colour instead of their own background.
QColor MenuColor();
void SetBoxBackground(QWidget* box, const QColor& color);

} // namespace basFunctions
