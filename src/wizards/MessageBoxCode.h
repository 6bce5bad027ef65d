#pragma once
// The text the MessageBox wizard generates: the KiXtart call, the return-value list for a set of
// buttons, which default buttons a set allows, and the timeout entry's check.

#include <QString>
#include <optional>

namespace MessageBoxCode {

// `" + Chr(34) + "` for every double quote.
QString RewriteQuotes(const QString& text);

// Messagebox("text","title",style) or, with a timeout, Messagebox("text","title",style,timeout).
// `text` has had its quotes rewritten already; the title's quotes are rewritten here, since a bare
// quote in it would end the string early. A carriage return anywhere becomes
// `" + Chr(13) + Chr(10) + "`; line feeds are dropped.
QString BuildResult(const QString& text, const QString& title, int style, std::optional<int> timeout);

// The lines of return values for a button set's caption ("OK and Cancel"), joined by CR LF.
QString ReturnValueLines(const QString& buttonsCaption);

// Default buttons that a button set (index of its option, 0 to 5) leaves available.
struct DefaultButtons {
    bool chooseFirst; // the first default button is chosen again
    bool secondEnabled;
    bool thirdEnabled;
};
DefaultButtons DefaultButtonsFor(int buttonsIndex);

// The timeout in whole seconds (rounded half to even); nullopt when the entry is not a number or
// lies beyond the 32-bit signed range.
std::optional<int> ParseTimeout(const QString& text);

} // namespace MessageBoxCode
