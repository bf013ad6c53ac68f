#pragma once

#include <QApplication>
#include <QWidget>
#include <QtTest>

// A screen's control by its objectName; the test stops when it is missing.
template <typename T> T *control(QWidget &screen, const char *name)
{
    T *c = screen.findChild<T *>(QString::fromLatin1(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

// Shows a screen and makes it the active window, so that focus checks hold.
inline bool showActive(QWidget &window)
{
    window.show();
    QApplication::setActiveWindow(&window);
    return QTest::qWaitForWindowActive(&window);
}
