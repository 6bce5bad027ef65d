#pragma once
// The list the editing control offers while typing (the macro list): filled by the event handler
// in CodeListOpen, shown by the control, closed by a choice, a cancel or Close().

#include <QString>
#include <QStringList>
#include <functional>

class CodeList {
public:
    // How the list reaches the control that shows it; set by the control.
    struct Host {
        std::function<int()> currentIndex;       // the highlighted item while shown
        std::function<void(int)> selectIndex;     // highlight an item while shown
        std::function<void()> close;              // hide the list and report the cancel
    };

    void AddItem(const QString& text);
    int ItemCount() const;
    QString ItemText(int index) const; // empty for an index out of range
    int SelectedIndex() const;         // -1 = none
    void SetSelectedIndex(int index);
    void Close();

    // Control side.
    const QStringList& items() const { return items_; }
    void attach(Host host);
    void detach(int finalIndex); // the list is no longer shown; finalIndex stays as SelectedIndex
    bool isShown() const { return shown_; }

private:
    QStringList items_;
    int selected_ = -1;
    bool shown_ = false;
    Host host_;
};
