#pragma once
// Shows the settings store's notices (a damaged settings file, settings that could not be saved) in a
// message box through the dialog service: all that is pending in one box.

class QWidget;

namespace SettingsNotices {

// Shows what is pending now, if anything. Returns whether a message was shown.
bool showPending(QWidget* parent);
// Shows what is pending once the event loop runs, and from then on what is posted later (also once the
// event loop runs, so that a message never interrupts a settings write half-way).
void watch(QWidget* parent);

} // namespace SettingsNotices
