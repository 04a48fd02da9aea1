#include "ui/pages/yearly_chart.h"

#include "meter/journal_requests.h"
#include "meter/journal_texts.h"
#include "ui/controls.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QFont>
#include <QValueAxis>
#include <algorithm>

namespace ormix::ui {

namespace {
constexpr double kKwhPerCount = 0.00025; // the meter counts quarter-watt-hours
} // namespace

YearlyChart::YearlyChart(QWidget *parent) : QChartView(parent) {
    setObjectName("ChartJour");
    auto *chart = new QChart;
    chart->setTitle("Показания по месяцам, кВт·ч");
    chart->setAnimationOptions(QChart::NoAnimation); // a record a few times a second
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(2, 2, 2, 2));
    auto *series = new QBarSeries(chart);
    const QStringList names = meter::MonthTableHeader().mid(1, 3); // "1 тариф" .. "3 тариф"
    for (int t = 0; t < 3; ++t) {
        tariffs[t] = new QBarSet(names[t], series);
        for (int m = 0; m < meter::kYearlyRecordCount; ++m)
            tariffs[t]->append(0.0);
        series->append(tariffs[t]);
    }
    chart->addSeries(series);
    auto *months = new QBarCategoryAxis(chart);
    months->append(meter::MonthLabels());
    QFont small = months->labelsFont();
    small.setPointSizeF(small.pointSizeF() * 0.8); // twelve labels side by side
    months->setLabelsFont(small);
    chart->addAxis(months, Qt::AlignBottom);
    series->attachAxis(months);
    kwhAxis = new QValueAxis(chart);
    kwhAxis->setLabelFormat("%.0f");
    chart->addAxis(kwhAxis, Qt::AlignLeft);
    series->attachAxis(kwhAxis);
    setChart(chart);
    setRenderHint(QPainter::Antialiasing);
    FitAxis();
}

void YearlyChart::Clear() {
    for (QBarSet *set : tariffs)
        for (int m = 0; m < set->count(); ++m)
            if (set->at(m) != 0.0) set->replace(m, 0.0);
    FitAxis();
}

void YearlyChart::ShowMonth(int month, const std::array<std::uint32_t, 3> &counts) {
    if (month < 0 || month >= meter::kYearlyRecordCount) return;
    for (int t = 0; t < 3; ++t)
        tariffs[t]->replace(month, counts[t] * kKwhPerCount);
    FitAxis();
}

double YearlyChart::Value(int tariff, int month) const {
    return tariffs[tariff]->at(month);
}

// The axis follows the largest bar, with a little head-room; an empty chart shows 0..1.
void YearlyChart::FitAxis() {
    double top = 0;
    for (const QBarSet *set : tariffs)
        for (int m = 0; m < set->count(); ++m)
            top = std::max(top, set->at(m));
    kwhAxis->setRange(0, top > 0 ? top * 1.05 : 1.0);
    kwhAxis->applyNiceNumbers(); // ticks at round figures
}

} // namespace ormix::ui
