// Many documents at once: the tiling grid, the Window menu's tiling, and a tab row that stays readable.

#include "app/WindowTiling.h"
#include "app/frmMain.h"
#include "ScriptedDialogService.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>

using WindowTiling::Direction;

class WindowLayoutTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    int run_ = 0;

private slots:
    void init()
    {
        qputenv("TESSARY_REGISTRY_FILE", dir_.filePath(QStringLiteral("r%1.reg").arg(++run_)).toLocal8Bit());
    }

    void tilesCoverTheAreaInRowsOrColumnsThenAGrid()
    {
        QRect area(7, 3, 1001, 687);
        QVERIFY(WindowTiling::tile(0, area, Direction::Horizontal).isEmpty());
        for (Direction direction : {Direction::Horizontal, Direction::Vertical}) {
            for (int count = 1; count <= 30; ++count) {
                const QList<QRect> cells = WindowTiling::tile(count, area, direction);
                QCOMPARE(cells.size(), count);
                qint64 covered = 0;
                for (int i = 0; i < count; ++i) {
                    QVERIFY(area.contains(cells[i]));
                    covered += qint64(cells[i].width()) * cells[i].height();
                    for (int j = i + 1; j < count; ++j)
                        QVERIFY2(!cells[i].intersects(cells[j]), qPrintable(QStringLiteral("%1 of %2").arg(i).arg(count)));
                }
                QCOMPARE(covered, qint64(area.width()) * area.height());
                // Even thirty windows get a sixth of each side, never strips.
                for (const QRect& cell : cells)
                    QVERIFY(cell.width() >= area.width() / 6 && cell.height() >= area.height() / 6);
            }
        }
        area = QRect(0, 0, 900, 600);
        // Up to three: whole rows or whole columns.
        QCOMPARE(WindowTiling::tile(3, area, Direction::Horizontal),
                 (QList<QRect>{{0, 0, 900, 200}, {0, 200, 900, 200}, {0, 400, 900, 200}}));
        QCOMPARE(WindowTiling::tile(3, area, Direction::Vertical),
                 (QList<QRect>{{0, 0, 300, 600}, {300, 0, 300, 600}, {600, 0, 300, 600}}));
        // Four: a square grid. Five: two full-width rows (two windows, then three) or two full-height columns.
        QCOMPARE(WindowTiling::tile(5, area, Direction::Horizontal),
                 (QList<QRect>{{0, 0, 450, 300}, {450, 0, 450, 300},
                               {0, 300, 300, 300}, {300, 300, 300, 300}, {600, 300, 300, 300}}));
        QCOMPARE(WindowTiling::tile(5, area, Direction::Vertical),
                 (QList<QRect>{{0, 0, 450, 300}, {0, 300, 450, 300},
                               {450, 0, 450, 200}, {450, 200, 450, 200}, {450, 400, 450, 200}}));
        QCOMPARE(WindowTiling::tile(4, area, Direction::Horizontal).at(1), QRect(450, 0, 450, 300));
    }

    void tileMenuItemsArrangeTheDocuments()
    {
        ScriptedDialogService dialogs;
        frmMain window;
        window.resize(1000, 750);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto geometries = [&] {
            QList<QRect> result;
            for (QMdiSubWindow* document : window.mdiArea()->subWindowList(QMdiArea::CreationOrder))
                result << document->geometry();
            return result;
        };
        const QRect area = window.mdiArea()->viewport()->rect();
        for (int i = 2; i <= 5; ++i)
            window.mnuFileNew->trigger();
        window.mnuWindowTileHorizontal->trigger();
        QCOMPARE(geometries(), WindowTiling::tile(5, area, Direction::Horizontal));
        window.mnuWindowTileVertical->trigger();
        QCOMPARE(geometries(), WindowTiling::tile(5, area, Direction::Vertical));

        // Windows that overflow the area show scroll bars; the tiles fill the area they leave when gone.
        window.mdiArea()->subWindowList().constFirst()->move(2000, 2000);
        QTRY_VERIFY(window.mdiArea()->viewport()->width() < area.width());
        window.mnuWindowTileHorizontal->trigger();
        QTRY_COMPARE(window.mdiArea()->viewport()->rect(), area);
        QRect covered;
        for (const QRect& cell : geometries())
            covered |= cell;
        QCOMPARE(covered, area);
    }

    void manyTabsKeepTheirLabels()
    {
        ScriptedDialogService dialogs;
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const int width = window.width();
        for (int i = 2; i <= 22; ++i)
            window.mnuFileNew->trigger();
        QTest::qWait(0);
        QCOMPARE(window.width(), width); // the row scrolls rather than widening the window
        const QFontMetrics metrics(window.tsTabs->font());
        for (int i = 0; i < window.tsTabs->count(); ++i) {
            const QString label = window.tsTabs->tabText(i);
            QVERIFY2(window.tsTabs->tabRect(i).width() > metrics.horizontalAdvance(label), qPrintable(label));
        }
        // The selected (newest) tab is scrolled into view.
        QVERIFY(window.tsTabs->rect().contains(window.tsTabs->tabRect(window.tsTabs->currentIndex())));
    }
};

QTEST_MAIN(WindowLayoutTest)
#include "test_window_layout.moc"
