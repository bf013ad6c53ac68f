#include "screens/reports/BarChart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QValueAxis>

namespace BarChart {

QChartView *create(const char *name, const QString &title, QWidget *parent)
{
    auto *chart = new QChart;
    chart->setTitle(title);
    chart->legend()->hide();
    auto *view = new QChartView(chart, parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(180);
    return view;
}

void show(QChartView *view, const QString &seriesName, const QStringList &categories,
          const QList<Money> &amounts)
{
    QChart *chart = view->chart();
    chart->removeAllSeries();
    for (QAbstractAxis *axis : chart->axes())
        chart->removeAxis(axis);
    auto *bars = new QBarSet(seriesName);
    double top = 0;
    for (Money m : amounts) {
        // Drawing only: the bar's height in yuan.
        const double yuan = double(m.fen()) / 100;
        *bars << yuan;
        top = qMax(top, yuan);
    }
    auto *series = new QBarSeries;
    series->append(bars);
    chart->addSeries(series);
    auto *x = new QBarCategoryAxis;
    x->append(categories);
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
    auto *y = new QValueAxis;
    y->setRange(0, top > 0 ? top * 1.1 : 1);
    y->setLabelFormat(QStringLiteral("%.0f"));
    y->applyNiceNumbers();
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);
}

} // namespace BarChart
