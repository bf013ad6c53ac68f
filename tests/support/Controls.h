#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QWidget>
#include <QtTest>

// The control of a screen with this objectName; ends the test run when the
// screen has no such control, so a renamed control cannot pass unnoticed.
template <typename T> T *control(QWidget &screen, const char *name)
{
    T *c = screen.findChild<T *>(QString::fromUtf8(name));
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

// Clicks the middle of a cell of a grid, as the mouse would.
inline void clickCell(QAbstractItemView *view, int row, int column)
{
    const QModelIndex index = view->model()->index(row, column);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

// Whether any text box of the screen, shown or hidden, holds this text.
inline bool anyBoxHolds(QWidget &screen, const QString &text)
{
    const auto boxes = screen.findChildren<QLineEdit *>();
    return std::any_of(boxes.begin(), boxes.end(),
                       [&](const QLineEdit *box) { return box->text() == text; });
}
