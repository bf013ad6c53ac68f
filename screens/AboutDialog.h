#pragma once

#include "screens/ScreenDialog.h"

// 关于 (guanyu): a static text window.
class AboutDialog : public ScreenDialog
{
    Q_OBJECT
public:
    explicit AboutDialog(QWidget *parent = nullptr);
    static QString text();
    // The line under the text that names the version.
    static QString versionText();
};
