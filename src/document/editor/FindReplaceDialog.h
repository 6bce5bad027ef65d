#pragma once
// The editing control's own find and find-and-replace window: modeless, one window for both modes.
// It only collects what to look for; the control does the searching when a button asks for it.

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

struct FindOptions {
    bool matchCase = false;
    bool wholeWord = false;
    bool regularExpression = false;
    bool wrapAround = true;
    bool operator==(const FindOptions&) const = default;
};

class FindReplaceDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindReplaceDialog(QWidget* parent = nullptr);

    // Shows the window in the given mode with text in "Find what" and brings it to the front.
    void present(bool replaceMode, const QString& text);
    bool isReplaceMode() const { return replaceMode_; }

    QString findText() const;
    void setFindText(const QString& text);
    QString replaceText() const;
    void setReplaceText(const QString& text);
    FindOptions options() const;
    void setOptions(const FindOptions& options);

    QPushButton* findNextButton() const { return findNext_; }
    QPushButton* replaceButton() const { return replace_; }
    QPushButton* replaceAllButton() const { return replaceAll_; }
    QPushButton* closeButton() const { return close_; }

signals:
    void findNextRequested();
    void replaceRequested();
    void replaceAllRequested();

private:
    void updateButtons();

    bool replaceMode_ = false;
    QLineEdit* find_ = nullptr;
    QLineEdit* replaceWith_ = nullptr;
    QLabel* replaceLabel_ = nullptr;
    QCheckBox* matchCase_ = nullptr;
    QCheckBox* wholeWord_ = nullptr;
    QCheckBox* regex_ = nullptr;
    QCheckBox* wrap_ = nullptr;
    QPushButton* findNext_ = nullptr;
    QPushButton* replace_ = nullptr;
    QPushButton* replaceAll_ = nullptr;
    QPushButton* close_ = nullptr;
};
