#pragma once
// "Error Codes": turns a Win32 error number into the system's message, or lists every number from
// -100 to 7000 that has one. Stays on top of other windows; closing it destroys it.

#include <QCursor>
#include <QMainWindow>
#include <QRect>

class MaxMin;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;

class frmWin32Errors : public QMainWindow {
    Q_OBJECT
public:
    explicit frmWin32Errors(QWidget* parent = nullptr);

    QLabel* lblError = nullptr;
    QLineEdit* txtErrNumber = nullptr;
    QPushButton* cmdGetError = nullptr;
    QPlainTextEdit* rtfError = nullptr;
    MaxMin* MaxMin1 = nullptr;
    QMenu* mnuError = nullptr;
    QAction* mnuList = nullptr;
    QAction* mnuClose = nullptr;

    // Appends at the end of the output; the insertion cannot be undone.
    void AppendText(const QString& text);
    // The lookup behind the button and the menu item.
    void cmdGetError_Click();

    // Control places inside the window's inner area, in pixels, at the given pixels per inch.
    struct Layout {
        QRect rtfError, txtErrNumber, lblError, cmdGetError;
        int lineWidth = 0;
    };
    static Layout layoutFor(QSize inner, double dpi);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void txtErrNumber_Change();
    // The number check: true when the box is empty or holds a whole number; otherwise tells the
    // user, selects the box's text and keeps the focus there.
    bool validateNumber();
    void arrange();

    QWidget* inner_ = nullptr;
    QCursor outputCursor_; // the output's own pointer, given back after each lookup
    int lookupGeneration_ = 0;
    bool validating_ = false;
};
