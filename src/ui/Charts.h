#pragma once

#include <QChartView>
#include <QDate>
#include <QList>
#include <QStringList>

class QBarSet;
class QLineSeries;

// One day of practice: how many answers were saved, and how many of them were right.
struct DayResult {
    QDate day;
    int answers = 0;
    int right = 0;
};

// The answers of each day as bars (left axis) and the share right as a line in per cent (right
// axis), one category per day.
class DailyResultsChart : public QChartView {
    Q_OBJECT
  public:
    explicit DailyResultsChart(QWidget* parent = nullptr);
    void setDays(const QList<DayResult>& days);

    // What the chart shows, as the user reads it.
    QStringList dayLabels() const { return m_labels; }
    QList<int> answerCounts() const;
    // Per cent right (whole per cent) of each day that has answers; a day without answers has no
    // point.
    QList<QPointF> sharePoints() const;
    // The figures in words, for a screen reader (also the chart's accessible description):
    // "最近 3 天：05-01 答 10 题，答对 70%；…".
    QString summary() const;

  private:
    QStringList m_labels;
    QList<DayResult> m_days;
    QBarSet* m_answers = nullptr;
    QLineSeries* m_share = nullptr;
};

// Totals counted in bins of one width: bin i holds the totals t with
// start + i·width ≤ t < start + (i+1)·width. The width is the smallest of 1, 2, 5, 10, 20, 25, 50,
// 100, 200, 250, 500 … that needs no more than maxBins bins, and start is a multiple of it.
struct Histogram {
    double start = 0;
    double width = 1;
    QList<int> counts;
    // "60～69" for whole-number totals ("60" when the width is 1), "60～70" otherwise.
    QStringList labels;
};
Histogram histogram(const QList<double>& totals, int maxBins = 10);

// How the totals of a sitting spread: one bar per bin of the histogram.
class TotalsChart : public QChartView {
    Q_OBJECT
  public:
    explicit TotalsChart(QWidget* parent = nullptr);
    // The totals of one sitting, or of every sitting when `sitting` is empty (the title says which).
    void setTotals(const QList<double>& totals, const QString& sitting = QString());
    const Histogram& shown() const { return m_histogram; }
    // The figures in words, for a screen reader (also the chart's accessible description).
    QString summary() const;

  private:
    Histogram m_histogram;
    QString m_title;
};
