#pragma once
// Small routines the wizards and tool windows share.

class QWidget;

namespace basFunctions {

// Keeps the window above all other windows (on) or returns it to the normal order (off). Returns
// true when on and the window could be raised to the top layer; false otherwise, as the off path
// always does.
bool SetTopMost(QWidget* window, bool on);

} // namespace basFunctions
