#include "ui/Charts.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QColor>
#include <QPen>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace {

QChart* plainChart(const QString& title) {
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->setBackgroundRoundness(0);
    // The view takes the chart's least size as its own: let the window decide.
    chart->setMinimumSize(1, 1);
    return chart;
}

// A value axis from 0 that ends on a whole number and shows whole-number ticks.
void wholeNumberRange(QValueAxis* axis, int largest) {
    const int top = std::max(1, largest);
    const int ticks = std::min(top, 5) + 1;
    const int step = (top + ticks - 2) / (ticks - 1);
    axis->setRange(0, step * (ticks - 1));
    axis->setTickCount(ticks);
    axis->setLabelFormat(QStringLiteral("%d"));
}

// The view gives up the chart it was made with when it gets another: that one goes.
void replaceChart(QChartView& view, QChart* chart) {
    QChart* made = view.chart();
    view.setChart(chart);
    delete made;
}

} // namespace

DailyResultsChart::DailyResultsChart(QWidget* parent) : QChartView(parent) {
    // The window decides its size, down to the smallest the program allows.
    setMinimumSize(1, 1);
    setRenderHint(QPainter::Antialiasing);
    replaceChart(*this, plainChart(QStringLiteral("每日答题")));
    setDays({});
}

void DailyResultsChart::setDays(const QList<DayResult>& days) {
    QChart* c = chart();
    c->removeAllSeries();
    for (QAbstractAxis* axis : c->axes())
        c->removeAxis(axis);
    m_labels.clear();
    for (const DayResult& d : days)
        m_labels << d.day.toString(QStringLiteral("MM-dd"));

    auto* bars = new QBarSeries;
    m_answers = new QBarSet(QStringLiteral("答题数"));
    int most = 0;
    for (const DayResult& d : days) {
        *m_answers << d.answers;
        most = std::max(most, d.answers);
    }
    bars->append(m_answers);
    bars->setLabelsVisible(days.size() <= 15);
    bars->setLabelsPosition(QAbstractBarSeries::LabelsInsideEnd);
    m_share = new QLineSeries;
    m_share->setName(QStringLiteral("答对比例（%）"));
    // Days without answers have no share: the line goes from one practised day to the next.
    for (int i = 0; i < days.size(); ++i)
        if (days[i].answers > 0)
            m_share->append(i, qRound(100.0 * days[i].right / days[i].answers));
    // Orange beside the blue bars, its labels dark: readable over a bar.
    m_share->setPen(QPen(QColor(230, 120, 20), 2));
    m_share->setPointLabelsColor(QColor(40, 40, 40));
    m_share->setPointsVisible(true);
    m_share->setPointLabelsVisible(days.size() <= 15);
    m_share->setPointLabelsFormat(QStringLiteral("@yPoint%"));
    m_share->setPointLabelsClipping(false);
    c->addSeries(bars);
    c->addSeries(m_share);

    auto* dayAxis = new QBarCategoryAxis;
    dayAxis->append(m_labels.isEmpty() ? QStringList{QString()} : m_labels);
    if (m_labels.size() > 10)
        dayAxis->setLabelsAngle(-90);
    auto* countAxis = new QValueAxis;
    countAxis->setTitleText(QStringLiteral("题数"));
    wholeNumberRange(countAxis, most);
    auto* shareAxis = new QValueAxis;
    shareAxis->setTitleText(QStringLiteral("答对 %"));
    shareAxis->setRange(0, 100);
    shareAxis->setTickCount(6);
    shareAxis->setLabelFormat(QStringLiteral("%d"));
    c->addAxis(dayAxis, Qt::AlignBottom);
    c->addAxis(countAxis, Qt::AlignLeft);
    c->addAxis(shareAxis, Qt::AlignRight);
    bars->attachAxis(dayAxis);
    bars->attachAxis(countAxis);
    m_share->attachAxis(dayAxis);
    m_share->attachAxis(shareAxis);
    c->setTitle(days.isEmpty() ? QStringLiteral("每日答题（还没有练习记录）") : QStringLiteral("每日答题"));
    m_days = days;
    setAccessibleName(QStringLiteral("每日答题图"));
    setAccessibleDescription(summary());
    viewport()->setAccessibleName(accessibleName());
    viewport()->setAccessibleDescription(accessibleDescription());
}

QString DailyResultsChart::summary() const {
    if (m_days.isEmpty())
        return QStringLiteral("还没有练习记录");
    // The latest month at most: a description read aloud stays short.
    const int from = int(qMax<qsizetype>(0, m_days.size() - 31));
    QStringList parts;
    for (int i = from; i < m_days.size(); ++i) {
        const DayResult& d = m_days[i];
        parts << (d.answers > 0 ? QStringLiteral("%1 答 %2 题，答对 %3%")
                                      .arg(d.day.toString(QStringLiteral("MM-dd")))
                                      .arg(d.answers)
                                      .arg(qRound(100.0 * d.right / d.answers))
                                : QStringLiteral("%1 没有答题").arg(d.day.toString(QStringLiteral("MM-dd"))));
    }
    return QStringLiteral("最近 %1 天：").arg(m_days.size() - from) + parts.join(QStringLiteral("；"));
}

QList<int> DailyResultsChart::answerCounts() const {
    QList<int> out;
    for (int i = 0; m_answers && i < m_answers->count(); ++i)
        out << int(m_answers->at(i));
    return out;
}

QList<QPointF> DailyResultsChart::sharePoints() const {
    return m_share ? m_share->points() : QList<QPointF>();
}

Histogram histogram(const QList<double>& totals, int maxBins) {
    Histogram h;
    QList<double> values;
    for (double t : totals)
        if (std::isfinite(t))
            values << t;
    if (values.isEmpty())
        return h;
    const auto [lowest, highest] = std::minmax_element(values.cbegin(), values.cend());
    const double lo = *lowest, hi = *highest;
    maxBins = std::max(1, maxBins);
    // 1, 2, 5, 10, 20, 25, 50, 100, 200, 250, 500, …: whole numbers, so bins start on whole numbers.
    double width = 1;
    bool found = false;
    for (double decade = 1; !found && decade < 1e15; decade *= 10)
        for (double m : {1.0, 2.0, 2.5, 5.0}) {
            width = m * decade;
            if (width != std::trunc(width))
                continue;
            h.start = std::floor(lo / width) * width;
            if (std::floor((hi - h.start) / width) + 1 <= maxBins) {
                found = true;
                break;
            }
        }
    if (!found) {
        // Totals far beyond any paper's: maxBins equal bins from the lowest.
        h.start = lo;
        width = (hi - lo) / maxBins;
    }
    h.width = width;
    const int bins = int(std::clamp(std::floor((hi - h.start) / width) + 1, 1.0, double(maxBins)));
    h.counts = QList<int>(bins, 0);
    for (double v : values)
        ++h.counts[int(std::clamp(std::floor((v - h.start) / width), 0.0, double(bins - 1)))];
    const bool whole =
        std::all_of(values.cbegin(), values.cend(), [](double v) { return v == std::trunc(v); });
    for (int i = 0; i < bins; ++i) {
        const double from = h.start + i * width;
        if (whole && width == 1)
            h.labels << QString::number(from, 'g', 15);
        else
            h.labels << QStringLiteral("%1～%2").arg(
                QString::number(from, 'g', 15), QString::number(from + width - (whole ? 1 : 0), 'g', 15));
    }
    return h;
}

TotalsChart::TotalsChart(QWidget* parent) : QChartView(parent) {
    setMinimumSize(1, 1);
    setRenderHint(QPainter::Antialiasing);
    replaceChart(*this, plainChart(QStringLiteral("得分分布")));
    chart()->legend()->hide();
    setTotals({});
}

void TotalsChart::setTotals(const QList<double>& totals, const QString& sitting) {
    m_histogram = histogram(totals);
    QChart* c = chart();
    c->removeAllSeries();
    for (QAbstractAxis* axis : c->axes())
        c->removeAxis(axis);
    auto* set = new QBarSet(QStringLiteral("人数"));
    int most = 0;
    for (int n : m_histogram.counts) {
        *set << n;
        most = std::max(most, n);
    }
    auto* bars = new QBarSeries;
    bars->append(set);
    // Counts above the bars, readable on a bar of one; the axis leaves room for them.
    bars->setLabelsVisible(true);
    bars->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    set->setLabelColor(QColor(40, 40, 40));
    bars->setBarWidth(0.9);
    c->addSeries(bars);
    auto* binAxis = new QBarCategoryAxis;
    binAxis->append(m_histogram.labels.isEmpty() ? QStringList{QString()} : m_histogram.labels);
    binAxis->setTitleText(QStringLiteral("得分"));
    // Without totals there are no bands: an empty axis would draw its title apart from the chart.
    binAxis->setVisible(!m_histogram.labels.isEmpty());
    auto* countAxis = new QValueAxis;
    countAxis->setTitleText(QStringLiteral("人数"));
    wholeNumberRange(countAxis, most + 1);
    c->addAxis(binAxis, Qt::AlignBottom);
    c->addAxis(countAxis, Qt::AlignLeft);
    bars->attachAxis(binAxis);
    bars->attachAxis(countAxis);
    const QString what = sitting.isEmpty() ? QStringLiteral("各场次得分分布")
                                           : QStringLiteral("场次 %1 得分分布").arg(sitting);
    c->setTitle(totals.isEmpty() ? QStringLiteral("%1（没有成绩）").arg(what)
                                 : QStringLiteral("%1（%2 人）").arg(what).arg(totals.size()));
    m_title = c->title();
    setAccessibleName(QStringLiteral("得分分布图"));
    setAccessibleDescription(summary());
    viewport()->setAccessibleName(accessibleName());
    viewport()->setAccessibleDescription(accessibleDescription());
}

QString TotalsChart::summary() const {
    QStringList parts;
    for (int i = 0; i < m_histogram.counts.size() && i < m_histogram.labels.size(); ++i)
        if (m_histogram.counts[i] > 0)
            parts << QStringLiteral("%1 分 %2 人").arg(m_histogram.labels[i]).arg(m_histogram.counts[i]);
    return parts.isEmpty() ? m_title : m_title + QStringLiteral("：") + parts.join(QStringLiteral("；"));
}
