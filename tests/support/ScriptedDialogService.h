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
    int colorRequests = 0;
    int lineRequests = 0;

    platform::MessageAnswer message(QWidget* parent, const QString& text, const QString& title,
                                    platform::MessageButtons buttons, platform::MessageIcon icon) override;
    QString openFileName(QWidget*, const platform::FileDialogRequest& request) override
    {
        openRequests.append(request);
        return take(openAnswers);
    }
    QString saveFileName(QWidget*, const platform::FileDialogRequest& request) override
    {
        saveRequests.append(request);
        return take(saveAnswers);
    }
    QString folderName(QWidget*, const QString&, const QString&) override { return take(folderAnswers); }
    std::optional<QColor> color(QWidget*, const QColor&) override { return ++colorRequests, take(colorAnswers); }
    bool print(QWidget* parent, QPrinter& printer, const platform::PrintRequest& request) override;
    std::optional<int> lineNumber(QWidget*, int, int) override { return ++lineRequests, take(lineAnswers); }

    // What the real file dialog built for a request offers: its filter captions ("|" between them),
    // then after "->" the patterns of the first filter, which the file list applies.
    static QString filtersShown(const platform::FileDialogRequest& request);

private:
    // The next prepared answer; without one, the empty (cautious) one.
    template <typename T>
    static T take(std::deque<T>& answers)
    {
        if (answers.empty())
            return T();
        T answer = answers.front();
        answers.pop_front();
        return answer;
    }
};
