#pragma once

#include <QtGlobal>

// The one row of 提成基数, once the commission mode is chosen.
struct CommissionSetting
{
    qint64 fixedYuan = 0; // 固定提成
    qint64 percent = 0;   // 消费比例提成
};
