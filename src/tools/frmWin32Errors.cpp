#include "tools/frmWin32Errors.h"

#include "platform/DialogService.h"
#include "platform/EventYield.h"
#include "tools/MaxMin.h"
#include "tools/basWin32Err.h"
#include "wizards/basFunctions.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <algorithm>
#include <functional>

namespace {

constexpr double TwipsPerInch = 1440.0;

int px(double twips, double dpi)
{
    return int(twips * dpi / TwipsPerInch + 0.5);
}

// The inner area: paints the two lines along its top edge and lays out the controls on resize.
class InnerArea : public QWidget {
public:
    InnerArea(QWidget* parent, std::function<void()> onResize) : QWidget(parent), onResize_(std::move(onResize)) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const int lineWidth = frmWin32Errors::layoutFor(size(), logicalDpiY()).lineWidth;
        painter.setPen(QColor(128, 128, 128));
        painter.drawLine(0, 0, lineWidth, 0);
        // The light line sits just below the grey one, at least one pixel down.
        const int y = std::max(1, px(20, logicalDpiY()));
        painter.setPen(QColor(224, 224, 224));
        painter.drawLine(0, y, lineWidth, y);
    }
    void resizeEvent(QResizeEvent*) override { onResize_(); }

private:
    std::function<void()> onResize_;
};

} // namespace

frmWin32Errors::frmWin32Errors(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmWin32Errors"));
    setWindowTitle(QStringLiteral("Error Codes"));
    setAttribute(Qt::WA_DeleteOnClose);

    mnuError = menuBar()->addMenu(QStringLiteral("&Error Codes"));
    mnuError->setObjectName(QStringLiteral("mnuError"));
    mnuList = mnuError->addAction(QStringLiteral("&Get Error List"));
    mnuList->setObjectName(QStringLiteral("mnuList"));
    mnuClose = mnuError->addAction(QStringLiteral("&Close"));
    mnuClose->setObjectName(QStringLiteral("mnuClose"));
    connect(mnuList, &QAction::triggered, this, &frmWin32Errors::cmdGetError_Click);
    connect(mnuClose, &QAction::triggered, this, &QWidget::close);
    // Opening the menu checks the number as leaving the box does; a refused number closes the menu.
    connect(mnuError, &QMenu::aboutToShow, this, [this] {
        if (basWin32Err::CheckErrorNumber(txtErrNumber->text()) == basWin32Err::NumberCheck::Invalid)
            QTimer::singleShot(0, this, [this] {
                mnuError->hide();
                activateWindow();
                validateNumber();
            });
    });

    inner_ = new InnerArea(this, [this] { arrange(); });
    setCentralWidget(inner_);
    const double dpi = logicalDpiY();

    lblError = new QLabel(QStringLiteral("Enter Error Number"), inner_);
    lblError->setObjectName(QStringLiteral("lblError"));
    lblError->adjustSize();

    txtErrNumber = new QLineEdit(inner_);
    txtErrNumber->setObjectName(QStringLiteral("txtErrNumber"));
    txtErrNumber->installEventFilter(this);
    connect(txtErrNumber, &QLineEdit::textChanged, this, &frmWin32Errors::txtErrNumber_Change);

    cmdGetError = new QPushButton(QStringLiteral("&Get Error List"), inner_);
    cmdGetError->setObjectName(QStringLiteral("cmdGetError"));
    connect(cmdGetError, &QPushButton::clicked, this, &frmWin32Errors::cmdGetError_Click);

    rtfError = new QPlainTextEdit(inner_);
    rtfError->setObjectName(QStringLiteral("rtfError"));
    rtfError->setFont(QFont(QStringLiteral("Arial")));
    rtfError->setUndoRedoEnabled(false);
    rtfError->setReadOnly(true);
    rtfError->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    outputCursor_ = rtfError->viewport()->cursor();

    setTabOrder(txtErrNumber, cmdGetError);
    setTabOrder(cmdGetError, rtfError);

    // Esc closes the window wherever the focus is inside it.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    MaxMin1 = new MaxMin(this);
    MaxMin1->SetMaxWidth(15000);
    MaxMin1->SetMaxHeight(15000);
    MaxMin1->SetMinWidth(325);
    MaxMin1->SetMinHeight(225);
    // Design size of the inner area (the output box with its margins), within the limits just set.
    resize(px(6375 + 720, dpi), px(2175 + 1605, dpi) + menuBar()->sizeHint().height());

    basFunctions::SetTopMost(this, true);
    arrange();
}

frmWin32Errors::Layout frmWin32Errors::layoutFor(QSize inner, double dpi)
{
    Layout layout;
    const int w = inner.width(), h = inner.height();
    layout.rtfError = QRect(px(360, dpi), px(1200, dpi), std::max(0, w - px(720, dpi)),
                            std::max(0, h - px(1605, dpi)));
    const int textWidth = px(1095, dpi), buttonWidth = px(1455, dpi);
    layout.txtErrNumber = QRect(int(0.34 * w) - textWidth / 2, px(600, dpi), textWidth, px(285, dpi));
    layout.lblError = QRect(layout.txtErrNumber.left(), px(240, dpi), 0, 0);
    layout.cmdGetError = QRect(int(0.67 * w) - buttonWidth / 2, px(480, dpi), buttonWidth, px(495, dpi));
    layout.lineWidth = std::max(0, w);
    return layout;
}

void frmWin32Errors::arrange()
{
    const Layout layout = layoutFor(inner_->size(), logicalDpiY());
    rtfError->setGeometry(layout.rtfError);
    txtErrNumber->setGeometry(layout.txtErrNumber);
    lblError->move(layout.lblError.topLeft());
    cmdGetError->setGeometry(layout.cmdGetError);
    inner_->update();
}

void frmWin32Errors::AppendText(const QString& text)
{
    QTextCursor cursor(rtfError->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
}

void frmWin32Errors::txtErrNumber_Change()
{
    cmdGetError->setText(txtErrNumber->text().isEmpty() ? QStringLiteral("&Get Error List")
                                                        : QStringLiteral("&Get Error Code"));
    mnuList->setText(cmdGetError->text());
}

bool frmWin32Errors::validateNumber()
{
    if (basWin32Err::CheckErrorNumber(txtErrNumber->text()) != basWin32Err::NumberCheck::Invalid)
        return true;
    if (validating_)
        return false;
    validating_ = true;
    QPointer<frmWin32Errors> self(this);
    platform::dialogs().message(this, QStringLiteral("Error Number must be a valid integer"),
                                QApplication::applicationName(), platform::MessageButtons::Ok,
                                platform::MessageIcon::None);
    if (!self)
        return false;
    validating_ = false;
    txtErrNumber->selectAll();
    txtErrNumber->setFocus();
    return false;
}

void frmWin32Errors::cmdGetError_Click()
{
    // Enter in the box runs the lookup without leaving it: check the number here too.
    if (!validateNumber())
        return;
    const int generation = ++lookupGeneration_;
    rtfError->clear();
    rtfError->viewport()->setCursor(Qt::WaitCursor);
    const QString typed = txtErrNumber->text();
    if (!typed.isEmpty()) {
        AppendText(basWin32Err::LookupLine(typed));
    } else {
        QPointer<frmWin32Errors> self(this);
        platform::EventYield yield;
        for (qint32 i = basWin32Err::ListFirst; i <= basWin32Err::ListLast; ++i) {
            yield();
            // Closed, or a newer lookup started while events ran (that one owns the output now).
            if (!self || generation != lookupGeneration_)
                return;
            const QString line = basWin32Err::ListLine(i);
            if (!line.isEmpty())
                AppendText(line);
        }
    }
    rtfError->viewport()->setCursor(outputCursor_);
}

bool frmWin32Errors::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtErrNumber && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Switching to another window, or a menu opening, is not leaving the box.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !validating_) {
            QTimer::singleShot(0, this, [this] {
                // The box has the focus again when the check already ran (a refused lookup).
                if (!txtErrNumber->hasFocus() && isVisible())
                    validateNumber();
            });
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmWin32Errors::keyPressEvent(QKeyEvent* event)
{
    // The button is the window's default: Enter presses it where no control uses the key itself.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        cmdGetError->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void frmWin32Errors::closeEvent(QCloseEvent* event)
{
    // A list still running stops at its next number.
    ++lookupGeneration_;
    QMainWindow::closeEvent(event);
}

void frmWin32Errors::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        txtErrNumber->setFocus();
}
