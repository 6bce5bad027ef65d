// On a real X server: the window's title reaches window managers and tools that read only WM_NAME,
// and the lock-key indicators can read the keyboard's state.
#include "app/StatusPanels.h"

#include <QtTest>
#include <QWidget>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

class TestX11Window : public QObject {
    Q_OBJECT

private slots:
    void titleAndKeyboardState()
    {
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        QVERIFY2(x11 && x11->display(), "no Xlib display: Qt was built without Xlib");

        QWidget window;
        const QString title = QStringLiteral("Tessary Editor - [/tmp/caf\u00e9 %x& !^.kix]");
        window.setWindowTitle(title);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        XTextProperty text{};
        QVERIFY2(XGetWMName(x11->display(), window.winId(), &text) && text.value, "the window has no WM_NAME");
        char** list = nullptr;
        int count = 0;
        const int result = Xutf8TextPropertyToTextList(x11->display(), &text, &list, &count);
        XFree(text.value);
        QCOMPARE(result, Success);
        QVERIFY(count >= 1);
        const QString name = QString::fromUtf8(list[0]);
        XFreeStringList(list);
        QCOMPARE(name, title);

        QVERIFY2(StatusPanels::lockStates().has_value(), "Caps Lock and Num Lock cannot be read");
    }
};

QTEST_MAIN(TestX11Window)
#include "test_x11_window.moc"
