#include "day_chart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QLegendMarker>
#include <QLocale>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

#include "figures.h"

namespace chatscope {

namespace {

QString DateText(const DayTotal& d) {
    return QStringLiteral("%1-%2-%3")
        .arg(d.year, 4, 10, QLatin1Char('0'))
        .arg(d.month, 2, 10, QLatin1Char('0'))
        .arg(d.day, 2, 10, QLatin1Char('0'));
}

// More days than this and the axis shows no date under each bar.
constexpr int kMaxDateLabels = 31;

}  // namespace

DayChart::DayChart(QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    auto* view = new QChartView(this);
    view->setObjectName(QStringLiteral("dayChartView"));
    view->setRenderHint(QPainter::Antialiasing, false);
    view->setFocusPolicy(Qt::NoFocus);
    view->setAccessibleName(QStringLiteral("日ごとのグラフ"));
    view->setMinimumHeight(220);
    view->chart()->legend()->setAlignment(Qt::AlignBottom);
    view->chart()->setMargins(QMargins(2, 2, 2, 2));
    view_ = view;
    figures_ = new QLabel(this);
    figures_->setObjectName(QStringLiteral("dayFigures"));
    figures_->setTextFormat(Qt::PlainText);
    column->addWidget(view, 1);
    column->addWidget(figures_);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("日ごとの経験値と行数"));
    Rebuild();
}

QString DayChart::DayText(const DayTotal& d) {
    return DateText(d) + QStringLiteral(": 経験値 ") + Figure(d.experience) + QStringLiteral(" / 行数 ") +
           Figure(d.lines) + QStringLiteral(" (%1 ファイル)").arg(d.files);
}

namespace {

bool SameDates(const std::vector<DayTotal>& a, const std::vector<DayTotal>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const DayTotal& x, const DayTotal& y) {
        return x.year == y.year && x.month == y.month && x.day == y.day;
    });
}

}  // namespace

void DayChart::SetDays(std::vector<DayTotal> days) {
    if (days == days_) return;
    if (experienceBars_ && SameDates(days, days_)) {
        // Only figures changed (counting goes on): the bars take their new
        // heights in place, far cheaper than a new chart.
        days_ = std::move(days);
        std::int64_t maxExp = 1, maxLines = 1;
        QList<qreal> expValues, lineValues;
        for (const DayTotal& d : days_) {
            expValues << qreal(d.experience);
            lineValues << qreal(d.lines);
            maxExp = std::max(maxExp, d.experience);
            maxLines = std::max(maxLines, d.lines);
        }
        // One change of each set, not one a bar: the chart lays out its bars again on each.
        for (auto [set, values] : {std::pair{experienceBars_, &expValues}, std::pair{lineBars_, &lineValues}}) {
            set->remove(0, set->count());
            set->append(*values);
        }
        expAxis_->setRange(0, double(maxExp));
        lineAxis_->setRange(0, double(maxLines));
        SetCurrent(current_);
        return;
    }
    // The highlight stays on its date when that date is still there.
    const DayTotal old = current_ >= 0 ? days_[std::size_t(current_)] : DayTotal{};
    days_ = std::move(days);
    current_ = -1;
    for (std::size_t i = 0; i < days_.size() && old.year; ++i)
        if (days_[i].year == old.year && days_[i].month == old.month && days_[i].day == old.day) current_ = int(i);
    Rebuild();
    SetCurrent(current_ < 0 && !days_.empty() ? int(days_.size()) - 1 : current_);
}

void DayChart::Rebuild() {
    QChart* chart = static_cast<QChartView*>(view_)->chart();
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    // Two series over the same days, each on its own axis: experience as wide
    // bars, lines as narrower ones in front, so a year of days still shows both.
    auto* expSeries = new QBarSeries;
    auto* lineSeries = new QBarSeries;
    auto* experience = new QBarSet(QStringLiteral("経験値"));
    auto* lines = new QBarSet(QStringLiteral("行数"));
    QStringList dates;
    std::int64_t maxExp = 0, maxLines = 0;
    QList<qreal> expValues, lineValues;
    for (const DayTotal& d : days_) {
        dates << DateText(d);
        expValues << qreal(d.experience);
        lineValues << qreal(d.lines);
        maxExp = std::max(maxExp, d.experience);
        maxLines = std::max(maxLines, d.lines);
    }
    experience->append(expValues);
    lines->append(lineValues);
    experience->setColor(QColor(0xE0, 0x90, 0x20));
    lines->setColor(QColor(0x30, 0x70, 0xC0, 0xD0));
    for (QBarSet* set : {experience, lines}) {
        set->setPen(Qt::NoPen);  // a border would hide a narrow bar's colour
        set->setSelectedColor(set->color().darker(170));
    }
    expSeries->append(experience);
    lineSeries->append(lines);
    expSeries->setBarWidth(0.9);
    lineSeries->setBarWidth(0.45);
    for (QBarSeries* s : {expSeries, lineSeries}) {
        chart->addSeries(s);
        connect(s, &QBarSeries::hovered, this, [this](bool on, int index, QBarSet*) {
            if (on)
                ShowTip(index);
            else
                QToolTip::hideText();
        });
    }
    auto* dateAxis = new QBarCategoryAxis;
    dateAxis->append(dates);
    dateAxis->setLabelsVisible(days_.size() <= std::size_t(kMaxDateLabels));
    dateAxis->setLabelsAngle(-90);
    auto* expAxis = new QValueAxis;
    auto* lineAxis = new QValueAxis;
    expAxis->setRange(0, double(std::max<std::int64_t>(maxExp, 1)));
    lineAxis->setRange(0, double(std::max<std::int64_t>(maxLines, 1)));
    expAxis->setLabelFormat(QStringLiteral("%.0f"));
    lineAxis->setLabelFormat(QStringLiteral("%.0f"));
    expAxis->setTitleText(QStringLiteral("経験値"));
    lineAxis->setTitleText(QStringLiteral("行数"));
    chart->addAxis(dateAxis, Qt::AlignBottom);
    chart->addAxis(expAxis, Qt::AlignLeft);
    chart->addAxis(lineAxis, Qt::AlignRight);
    for (QBarSeries* s : {expSeries, lineSeries}) s->attachAxis(dateAxis);
    expSeries->attachAxis(expAxis);
    lineSeries->attachAxis(lineAxis);
    // The empty sets have no entry in the legend.
    const auto markers = chart->legend()->markers();
    for (QLegendMarker* m : markers)
        if (m->label().isEmpty()) m->setVisible(false);
    experienceBars_ = experience;
    lineBars_ = lines;
    expAxis_ = expAxis;
    lineAxis_ = lineAxis;
}

void DayChart::SetCurrent(int index) {
    if (index < -1 || index >= int(days_.size())) return;
    current_ = index;
    if (experienceBars_) {
        for (QBarSet* set : {experienceBars_, lineBars_}) {
            set->deselectAllBars();
            if (index >= 0) set->selectBar(index);
        }
    }
    const QString text = index >= 0 ? DayText(days_[std::size_t(index)]) : QString();
    figures_->setText(text);
    figures_->setAccessibleName(text);
    setAccessibleDescription(text);
}

void DayChart::ShowTip(int index) {
    if (index < 0 || index >= int(days_.size())) return;
    QToolTip::showText(QCursor::pos(), DayText(days_[std::size_t(index)]), this);
}

void DayChart::keyPressEvent(QKeyEvent* event) {
    const int last = int(days_.size()) - 1;
    int next = current_;
    switch (event->key()) {
    case Qt::Key_Left: next = std::max(0, current_ - 1); break;
    case Qt::Key_Right: next = std::min(last, current_ + 1); break;
    case Qt::Key_Home: next = 0; break;
    case Qt::Key_End: next = last; break;
    default: QWidget::keyPressEvent(event); return;
    }
    if (last >= 0) SetCurrent(next);
}

}  // namespace chatscope
