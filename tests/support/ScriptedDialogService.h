#pragma once
// A dialog service for tests: records every message and dialog request and returns prepared answers
// in order. An unprepared question gets the cautious answer (Cancel, or nothing chosen).

#include "platform/DialogService.h"

#include <QList>
#include <QPrinter>
#include <QStringList>
#include <deque>
#include <functional>

struct RecordedMessage {
    QString text;
    QString title;
    platform::MessageButtons buttons;
    platform::MessageIcon icon;
    QWidget* parent = nullptr; // the window that owns the box
};

class ScriptedDialogService : public platform::DialogService {
public:
    ScriptedDialogService();  // installs itself
    ~ScriptedDialogService() override; // restores the real dialogs

    // Prepared answers, consumed in order.
    std::deque<platform::MessageAnswer> messageAnswers;
    std::deque<QString> openAnswers;
    std::deque<QString> saveAnswers;
    std::deque<QString> folderAnswers;
    std::deque<std::optional<QColor>> colorAnswers;
    std::deque<std::optional<int>> lineAnswers;
    // Print: an output PDF file to print into; empty = the print dialog is cancelled.
    std::deque<QString> printAnswers;
    // Runs when a message is shown, before it returns (for example to check state at that moment).
    std::function<void(const RecordedMessage&)> onMessage;

    // What was asked.
    QList<RecordedMessage> messages;
    QList<platform::FileDialogRequest> openRequests;
    QList<platform::FileDialogRequest> saveRequests;
    QList<platform::PrintRequest> printRequests;
    QStringList folderRequests;
    int colorRequests = 0;
    int lineRequests = 0;

    platform::MessageAnswer message(QWidget* parent, const QString& text, const QString& title,
                                    platform::MessageButtons buttons, platform::MessageIcon icon) override;
    QString openFileName(QWidget* parent, const platform::FileDialogRequest& request) override;
    QString saveFileName(QWidget* parent, const platform::FileDialogRequest& request) override;
    QString folderName(QWidget* parent, const QString& title, const QString& start) override;
    std::optional<QColor> color(QWidget* parent, const QColor& initial) override;
    bool print(QWidget* parent, QPrinter& printer, const platform::PrintRequest& request) override;
    std::optional<int> lineNumber(QWidget* parent, int current, int maximum) override;

    // What the real file dialog built for a request offers: its filter captions and the patterns
    // of the first filter, which the file list applies.
    static QStringList filterCaptionsShown(const platform::FileDialogRequest& request);
    static QStringList firstFilterPatterns(const platform::FileDialogRequest& request);
};
