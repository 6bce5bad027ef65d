#pragma once
// The parameter tip the editing control shows while a call is typed: the event handler fills its
// text and the parameter to highlight, the control draws it.

#include <QString>
#include <functional>

class CodeTip {
public:
    // How the tip reaches the control that shows it; set by the control.
    struct Host {
        std::function<void()> changed; // text or highlighted parameter changed while shown
        std::function<void()> close;    // hide the tip and report the cancel
    };

    QString TipText() const { return text_; }
    void SetTipText(const QString& text);
    int CurrentArgument() const { return argument_; }
    void SetCurrentArgument(int argument); // zero-based; -1 = none highlighted
    // Two settings the handler sets to 0; kept for it, they do not change the display.
    int ArgumentStyle() const { return argumentStyle_; }
    void SetArgumentStyle(int value) { argumentStyle_ = value; }
    int Placement() const { return placement_; }
    void SetPlacement(int value) { placement_ = value; }
    void Close();

    // Control side.
    void attach(Host host);
    void detach();
    bool isShown() const { return shown_; }
    // Start and end (UTF-16 indexes into TipText) of the parameter to highlight; start == end: none.
    std::pair<int, int> argumentSpan() const;

private:
    QString text_;
    int argument_ = 0;
    int argumentStyle_ = 0;
    int placement_ = 0;
    bool shown_ = false;
    Host host_;
};
