#pragma once

#include <QDialog>
#include <QHash>
#include <QString>

class QLabel;
class QTimer;
class QTreeWidget;
class Store;

// The teacher's view of the room ("考场"): the sittings running now on a server bank, with
// candidate, name, computer, answers saved, time used and left and the last sign of life (a
// sitting silent for over a minute stands out), and the sittings handed in with their totals.
// Read again every kRefreshSeconds. A sitting's total is marked by the server once, when the board
// first lists the sitting as handed in (a hall handing in at once would otherwise have the board
// mark every sitting again at every refresh); the board opened again marks them afresh.
class LiveBoard : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kRefreshSeconds = 5;
    static constexpr int kSilentSeconds = 60;

    LiveBoard(Store& store, QWidget* parent = nullptr);
    // Reads the board again; false when the store could not be read (the label says why).
    bool refresh();

    QTreeWidget* 在考列表 = nullptr;
    QTreeWidget* 交卷列表 = nullptr;
    QLabel* 状态标签 = nullptr;

  private:
    Store& m_store;
    QTimer* m_timer = nullptr;
    QHash<QString, double> m_totals; // by paper, candidate and sitting
};
