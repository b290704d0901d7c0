// The library's chart by day: bars of experience (left axis) and of lines
// (right axis) for each local date of the archives shown. Hovering a bar shows
// its day and figures; from the keyboard, Left and Right (Home, End) move a
// highlighted day whose figures the label under the chart (and its accessible
// name) gives.
#pragma once

#include <QWidget>

#include <vector>

#include "chatscope/day_totals.h"

class QBarSet;
class QLabel;
class QValueAxis;

namespace chatscope {

class DayChart : public QWidget {
    Q_OBJECT
public:
    explicit DayChart(QWidget* parent = nullptr);

    void SetDays(std::vector<DayTotal> days);
    const std::vector<DayTotal>& Days() const { return days_; }
    // The highlighted day; -1 when there is none.
    int Current() const { return current_; }
    void SetCurrent(int index);
    // "2024-03-01: 経験値 150 / 行数 15 (2 ファイル)".
    static QString DayText(const DayTotal& day);

    // Parts: the chart view "dayChartView", the label "dayFigures".

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Rebuild();
    void ShowTip(int index);

    QWidget* view_ = nullptr;
    QLabel* figures_ = nullptr;
    std::vector<DayTotal> days_;
    int current_ = -1;
    QBarSet* experienceBars_ = nullptr;  // owned by the chart
    QBarSet* lineBars_ = nullptr;
    QValueAxis* expAxis_ = nullptr;
    QValueAxis* lineAxis_ = nullptr;
};

}  // namespace chatscope
