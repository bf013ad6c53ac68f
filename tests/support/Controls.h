#pragma once

#include <QApplication>
#include <QWidget>
#include <QtTest>

// The control of a screen with this objectName; ends the test run when the
// screen has no such control, so a renamed control cannot pass unnoticed.
template <typename T> T *control(QWidget &screen, const char *name)
{
    T *c = screen.findChild<T *>(QString::fromLatin1(name));
    if (!c)
        qFatal("no control %s in %s", name, qPrintable(screen.objectName()));
    return c;
}

// Shows a screen and makes it the active window, so that focus checks hold.
inline bool showActive(QWidget &window)
{
    window.show();
    QApplication::setActiveWindow(&window);
    return QTest::qWaitForWindowActive(&window);
}
