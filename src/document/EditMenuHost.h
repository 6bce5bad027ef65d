#pragma once
// What a document window needs of the main window's Edit menu to use it as its right-click menu:
// the help item, the Jump To submenu with its label items, and a way to pop the menu up.

class QAction;
class QMenu;
class QPoint;

class EditMenuHost {
public:
    static constexpr int LabelItemCount = 20;

    virtual ~EditMenuHost() = default;
    virtual QAction* csHelpItem() const = 0;
    virtual QMenu* jumpToLabelMenu() const = 0;
    virtual QAction* jumpNoneItem() const = 0;
    virtual QAction* labelMarkerItem(int index) const = 0; // 0 to LabelItemCount - 1
    // Shows the Edit menu at a global screen point with the given default item (nullptr = none)
    // and returns once it has closed, after the chosen item has run.
    virtual void popUpEditMenu(QAction* defaultItem, const QPoint& globalPos) = 0;
};
