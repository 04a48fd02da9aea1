#pragma once
// The chart beside GridJour: the three tariffs' readings of each month of the yearly
// journal, in kWh, as grouped bars. A month no record has filled stands at zero.
#include <QChartView>
#include <array>
#include <cstdint>

class QBarSet;
class QValueAxis;

namespace ormix::ui {

class YearlyChart : public QChartView {
    Q_OBJECT
public:
    explicit YearlyChart(QWidget *parent);

    // Every month back to zero: a new read starts.
    void Clear();
    // The record of month 0..11 (quarter-watt-hour counts per tariff).
    void ShowMonth(int month, const std::array<std::uint32_t, 3> &counts);

    // The bar of `tariff` 0..2 in `month` 0..11, in kWh.
    double Value(int tariff, int month) const;

private:
    void FitAxis();

    std::array<QBarSet *, 3> tariffs{};
    QValueAxis *kwhAxis{};
};

} // namespace ormix::ui
