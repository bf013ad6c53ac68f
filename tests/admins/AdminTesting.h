#pragma once

// Helpers the administrator screen tests share.
#include "rules/admins/AdminRules.h"
#include "store/MemberStore.h"

#include <QAbstractItemView>
#include <QWidget>
#include <QtTest>

namespace AdminTesting {

template <typename T> T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QString::fromLatin1(name));
    if (!c)
        qFatal("no control %s in %s", name, qPrintable(w.objectName()));
    return c;
}

// Registers an account the way the registration screen does.
inline void registerAccount(MemberStore &store, const QString &id, const QString &password,
                            const QString &remark = {})
{
    const AdminRules::Outcome o =
        AdminRules::registerAccount(store, {true, id, password, password, remark});
    if (!o.written)
        qFatal("cannot register %s: %s", qPrintable(id), qPrintable(o.message));
}

// Makes the window active so focus checks are reliable.
inline bool activate(QWidget &w)
{
    w.show();
    QApplication::setActiveWindow(&w);
    return QTest::qWaitForWindowActive(&w);
}

inline void clickCell(QAbstractItemView *view, int row, int column)
{
    const QModelIndex index = view->model()->index(row, column);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

} // namespace AdminTesting
