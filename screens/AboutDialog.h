#pragma once

#include <QDialog>

// 关于 (guanyu): a static text window.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AboutDialog(QWidget *parent = nullptr);
    static QString text();
};
