#pragma once

#include "base/Money.h"

#include <QList>
#include <QStringList>

class QChartView;
class QWidget;

// A bar chart of amounts (one bar per category) as the reports show them.
namespace BarChart {

QChartView *create(const char *name, const QString &title, QWidget *parent);
// Replaces the bars: one per category, its amount in yuan.
void show(QChartView *view, const QString &seriesName, const QStringList &categories,
          const QList<Money> &amounts);

} // namespace BarChart
