#pragma once
// What the settings store has to tell the user (a damaged file kept aside, settings that could not be
// saved). The store posts plain text here; the main window shows it in a message box. Each text is
// posted once per run, however often the same problem recurs.

#include <functional>
#include <string>
#include <vector>

namespace platform::registrynotices {

// Queues the text (unless posted before in this run), writes it to stderr and calls the listener.
void post(const std::string& text);
// The texts queued since the last call, oldest first.
std::vector<std::string> take();
// Called after each new post; nullptr removes it.
void setListener(std::function<void()> listener);
// Forgets which texts were posted (tests).
void reset();

} // namespace platform::registrynotices
