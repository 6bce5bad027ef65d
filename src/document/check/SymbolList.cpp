#include "document/check/SymbolList.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

SymbolList::SymbolList(QWidget* editor) : QFrame(editor, Qt::Popup)
{
    setObjectName(QStringLiteral("SymbolList"));
    setFrameShape(QFrame::StyledPanel);
    filter_ = new QLineEdit(this);
    filter_->setPlaceholderText(tr("Functions and labels"));
    list_ = new QTreeWidget(this);
    list_->setColumnCount(2);
    list_->setHeaderHidden(true);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    list_->header()->setStretchLastSection(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(filter_);
    layout->addWidget(list_);
    resize(360, 260);
    filter_->installEventFilter(this);
    connect(filter_, &QLineEdit::textChanged, this, &SymbolList::setFilter);
    connect(list_, &QTreeWidget::itemActivated, this, [this] { choose(); });
}

void SymbolList::setSymbols(const ScriptStructure& structure)
{
    list_->clear();
    struct Entry {
        QString text;
        int line;
    };
    std::vector<Entry> entries;
    for (const auto& f : structure.functions)
        entries.push_back({QStringLiteral("Function %1").arg(QString::fromUtf8(structure.name(f))), f.line});
    for (const auto& l : structure.labels)
        entries.push_back({QLatin1Char(':') + QString::fromUtf8(structure.name(l)), l.line});
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.line < b.line; });
    for (const Entry& e : entries) {
        auto* item = new QTreeWidgetItem(list_, {e.text, QStringLiteral("line %1").arg(e.line + 1)});
        item->setData(0, Qt::UserRole, e.line);
    }
    setFilter(filter_->text());
}

void SymbolList::setFilter(const QString& text)
{
    if (filter_->text() != text)
        filter_->setText(text); // comes back here through textChanged
    QTreeWidgetItem* first = nullptr;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        // The filter matches the name; "Function " and ":" are only decoration.
        const QString name = item->text(0).startsWith(QLatin1Char(':')) ? item->text(0).mid(1) : item->text(0).mid(9);
        const bool shown = name.contains(text.trimmed(), Qt::CaseInsensitive);
        item->setHidden(!shown);
        if (shown && !first)
            first = item;
    }
    list_->setCurrentItem(first);
}

QList<int> SymbolList::shownLines() const
{
    QList<int> lines;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        if (!list_->topLevelItem(i)->isHidden())
            lines << list_->topLevelItem(i)->data(0, Qt::UserRole).toInt();
    }
    return lines;
}

void SymbolList::choose()
{
    QTreeWidgetItem* item = list_->currentItem();
    if (!item || item->isHidden())
        return;
    const int line = item->data(0, Qt::UserRole).toInt();
    close();
    emit lineChosen(line);
}

bool SymbolList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == filter_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            choose();
            return true;
        case Qt::Key_Escape:
            close();
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            QKeyEvent copy(key->type(), key->key(), key->modifiers());
            QCoreApplication::sendEvent(list_, &copy);
            return true;
        }
        default:
            break;
        }
    }
    return QFrame::eventFilter(watched, event);
}
