// The real question boxes of recovery and of files held by another editor: each button gives its
// answer, and Escape or closing the box decides nothing.

#include "platform/QtDialogService.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using platform::MessageAnswer;

class DialogAnswersTest : public QObject {
    Q_OBJECT
private slots:
    void answers_data();
    void answers();
};

void DialogAnswersTest::answers_data()
{
    QTest::addColumn<bool>("restore");
    QTest::addColumn<QString>("action"); // a button's text, or a key
    QTest::addColumn<int>("answer");
    QTest::newRow("restore") << true << "&Restore" << int(MessageAnswer::Yes);
    QTest::newRow("discard") << true << "&Discard" << int(MessageAnswer::No);
    QTest::newRow("restore enter") << true << "Enter" << int(MessageAnswer::Yes);
    QTest::newRow("restore escape") << true << "Escape" << int(MessageAnswer::Cancel);
    QTest::newRow("restore closed") << true << "close" << int(MessageAnswer::Cancel);
    QTest::newRow("anyway") << false << "Open &Anyway" << int(MessageAnswer::Yes);
    QTest::newRow("read-only") << false << "Open &Read-Only" << int(MessageAnswer::No);
    QTest::newRow("held enter") << false << "Enter" << int(MessageAnswer::No);
    QTest::newRow("held escape") << false << "Escape" << int(MessageAnswer::Cancel);
    QTest::newRow("held cancel") << false << "Cancel" << int(MessageAnswer::Cancel);
}

void DialogAnswersTest::answers()
{
    QFETCH(bool, restore);
    QFETCH(QString, action);
    QFETCH(int, answer);
    QStringList shown;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        for (QAbstractButton* button : box->buttons())
            if (button->isVisible())
                shown << button->text();
        if (action == QLatin1String("Enter"))
            QTest::keyClick(box, Qt::Key_Return);
        else if (action == QLatin1String("Escape"))
            QTest::keyClick(box, Qt::Key_Escape);
        else if (action == QLatin1String("close"))
            box->close();
        else
            for (QAbstractButton* button : box->buttons())
                if (button->text() == action)
                    button->click();
        // A box that ignored the action is answered with its first button, so the row fails
        // instead of hanging.
        QTimer::singleShot(200, box, [box] { box->buttons().first()->click(); });
    });
    platform::QtDialogService service;
    const MessageAnswer got = restore ? service.restoreRecovered(nullptr, QStringLiteral("text"), QStringLiteral("t"))
                                      : service.openHeldElsewhere(nullptr, QStringLiteral("text"), QStringLiteral("t"));
    QCOMPARE(int(got), answer);
    // Recovery offers two answers only; the held file also a visible Cancel.
    QCOMPARE(shown.size(), restore ? 2 : 3);
}

QTEST_MAIN(DialogAnswersTest)
#include "test_dialog_answers.moc"
