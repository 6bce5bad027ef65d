#include "document/editor/FindReplaceDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

FindReplaceDialog::FindReplaceDialog(QWidget* parent) : QDialog(parent)
{
    setModal(false);
    auto* fields = new QGridLayout;
    auto* findLabel = new QLabel(tr("Fi&nd what:"), this);
    find_ = new QLineEdit(this);
    find_->setObjectName(QStringLiteral("findWhat"));
    findLabel->setBuddy(find_);
    replaceLabel_ = new QLabel(tr("Re&place with:"), this);
    replaceWith_ = new QLineEdit(this);
    replaceWith_->setObjectName(QStringLiteral("replaceWith"));
    replaceLabel_->setBuddy(replaceWith_);
    fields->addWidget(findLabel, 0, 0);
    fields->addWidget(find_, 0, 1);
    fields->addWidget(replaceLabel_, 1, 0);
    fields->addWidget(replaceWith_, 1, 1);

    matchCase_ = new QCheckBox(tr("Match &case"), this);
    wholeWord_ = new QCheckBox(tr("Match &whole word only"), this);
    regex_ = new QCheckBox(tr("Regular &expression"), this);
    wrap_ = new QCheckBox(tr("Wrap ar&ound"), this);
    wrap_->setChecked(true);
    auto* checks = new QVBoxLayout;
    for (QCheckBox* box : {matchCase_, wholeWord_, regex_, wrap_})
        checks->addWidget(box);

    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addLayout(checks);
    left->addStretch();

    findNext_ = new QPushButton(tr("&Find Next"), this);
    findNext_->setDefault(true);
    replace_ = new QPushButton(tr("&Replace"), this);
    replaceAll_ = new QPushButton(tr("Replace &All"), this);
    close_ = new QPushButton(tr("Close"), this);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {findNext_, replace_, replaceAll_, close_})
        buttons->addWidget(button);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);

    connect(findNext_, &QPushButton::clicked, this, &FindReplaceDialog::findNextRequested);
    connect(replace_, &QPushButton::clicked, this, &FindReplaceDialog::replaceRequested);
    connect(replaceAll_, &QPushButton::clicked, this, &FindReplaceDialog::replaceAllRequested);
    connect(close_, &QPushButton::clicked, this, &QDialog::hide);
    connect(find_, &QLineEdit::textChanged, this, &FindReplaceDialog::updateButtons);
    present(false, QString());
    hide();
}

void FindReplaceDialog::present(bool replaceMode, const QString& text)
{
    replaceMode_ = replaceMode;
    setWindowTitle(replaceMode ? tr("Replace") : tr("Find"));
    replaceLabel_->setVisible(replaceMode);
    replaceWith_->setVisible(replaceMode);
    replace_->setVisible(replaceMode);
    replaceAll_->setVisible(replaceMode);
    if (!text.isEmpty())
        find_->setText(text);
    updateButtons();
    adjustSize();
    show();
    raise();
    activateWindow();
    find_->setFocus();
    find_->selectAll();
}

QString FindReplaceDialog::findText() const
{
    return find_->text();
}

void FindReplaceDialog::setFindText(const QString& text)
{
    find_->setText(text);
}

QString FindReplaceDialog::replaceText() const
{
    return replaceWith_->text();
}

void FindReplaceDialog::setReplaceText(const QString& text)
{
    replaceWith_->setText(text);
}

FindOptions FindReplaceDialog::options() const
{
    return {matchCase_->isChecked(), wholeWord_->isChecked(), regex_->isChecked(), wrap_->isChecked()};
}

void FindReplaceDialog::setOptions(const FindOptions& options)
{
    matchCase_->setChecked(options.matchCase);
    wholeWord_->setChecked(options.wholeWord);
    regex_->setChecked(options.regularExpression);
    wrap_->setChecked(options.wrapAround);
}

void FindReplaceDialog::updateButtons()
{
    const bool hasText = !find_->text().isEmpty();
    findNext_->setEnabled(hasText);
    replace_->setEnabled(hasText);
    replaceAll_->setEnabled(hasText);
}
