// The main window's stored geometry against frames and screens: the outer geometry survives any
// frame margins unchanged, and stored values that would put the window out of reach are mended.

#include "app/WindowGeometry.h"

#include <QtTest>

Q_DECLARE_METATYPE(TwipsGeometry)

// Screens 1280x900 at 0,0 and 1024x768 at its right.
static const QList<QRect> Screens{QRect(0, 0, 1280, 900), QRect(1280, 0, 1024, 768)};

class WindowGeometryTest : public QObject {
    Q_OBJECT
private slots:
    // A window manager frames the client area only after mapping: the stored outer geometry is what
    // the next run writes back, whatever the frame's margins.
    void geometryRoundTripsThroughAFrame_data()
    {
        QTest::addColumn<QMargins>("frame");
        QTest::addColumn<double>("dpi");
        QTest::newRow("no window manager") << QMargins() << 96.0;
        QTest::newRow("openbox") << QMargins(1, 20, 1, 4) << 96.0;
        QTest::newRow("thick frame, 120 dpi") << QMargins(8, 31, 8, 8) << 120.0;
    }

    void geometryRoundTripsThroughAFrame()
    {
        QFETCH(QMargins, frame);
        QFETCH(double, dpi);
        TwipsGeometry stored{1507, 1203, 12011, 8017};
        for (int run = 0; run < 10; ++run) {
            const WindowGeometry::Restored restored = WindowGeometry::fitToScreens(stored, dpi, Screens);
            const QRect client = WindowGeometry::clientFor(restored.outer, frame);
            QCOMPARE(client.size(),
                     restored.outer.size() - QSize(frame.left() + frame.right(), frame.top() + frame.bottom()));
            stored = WindowGeometry::toStore(restored, WindowGeometry::outerOf(client, frame), dpi);
            QCOMPARE(stored, (TwipsGeometry{1507, 1203, 12011, 8017}));
        }
        // Moved by one pixel: the new place is stored in twips.
        const WindowGeometry::Restored restored = WindowGeometry::fitToScreens(stored, dpi, Screens);
        const TwipsGeometry moved = WindowGeometry::toStore(restored, restored.outer.translated(1, 0), dpi);
        QCOMPARE(moved.left, WindowGeometry::pixelsToTwips(restored.outer.left() + 1, dpi));
        QCOMPARE(moved.width, WindowGeometry::pixelsToTwips(restored.outer.width(), dpi));
    }

    void unusableGeometryBecomesVisible_data()
    {
        // Twips at 96 dpi: 15 twips a pixel.
        QTest::addColumn<TwipsGeometry>("stored");
        QTest::addColumn<QRect>("expected");
        const QRect fallBack(64, 61, 689, 452);
        QTest::newRow("fits") << TwipsGeometry{1500, 1200, 9000, 7000} << QRect(100, 80, 600, 467);
        QTest::newRow("partly beyond the right edge") << TwipsGeometry{15000, 1500, 9000, 7500} << QRect(1000, 100, 600, 500);
        QTest::newRow("on the second screen") << TwipsGeometry{21000, 1500, 9000, 7500} << QRect(1400, 100, 600, 500);
        QTest::newRow("huge") << TwipsGeometry{1500, 1500, 1e30, 1e30} << QRect(0, 0, 1280, 900);
        QTest::newRow("larger than the screen") << TwipsGeometry{3000, 3000, 30000, 15000} << QRect(0, 0, 1280, 900);
        QTest::newRow("far left") << TwipsGeometry{-1e9, 1500, 9000, 7500} << fallBack;
        QTest::newRow("above the screen") << TwipsGeometry{1500, -3000, 9000, 7500} << fallBack;
        QTest::newRow("title partly above the screen") << TwipsGeometry{1500, -150, 9000, 7500} << fallBack;
        QTest::newRow("below every screen") << TwipsGeometry{1500, 14000, 9000, 7500} << fallBack;
        QTest::newRow("right of every screen") << TwipsGeometry{40000, 1500, 9000, 7500} << fallBack;
    }

    void unusableGeometryBecomesVisible()
    {
        QFETCH(TwipsGeometry, stored);
        QFETCH(QRect, expected);
        const WindowGeometry::Restored restored = WindowGeometry::fitToScreens(stored, 96.0, Screens);
        QCOMPARE(restored.outer, expected);
        QCOMPARE(WindowGeometry::toPixels(restored.twips, 96.0), expected);
        if (expected == WindowGeometry::toPixels(stored, 96.0))
            QCOMPARE(restored.twips, stored); // nothing to mend: the twips stay exact
    }
};

QTEST_GUILESS_MAIN(WindowGeometryTest)
#include "test_window_geometry.moc"
