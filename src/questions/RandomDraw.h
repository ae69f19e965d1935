#pragma once

#include <QList>
#include <QtGlobal>

// The program's random numbers: a 32-bit linear congruential generator whose draws are bits 16
// to 30 of the state, re-seeded with its own draw before each pick.
class Lcg {
  public:
    explicit Lcg(quint32 seed = 0) : m_state(seed) {}
    void seed(quint32 s) { m_state = s; }
    quint32 state() const { return m_state; }
    // 0 … 32767
    int draw() {
        m_state = m_state * 214013u + 2531011u;
        return int((m_state >> 16) & 0x7fff);
    }
    // lo … hi, both ≥ 0 and lo ≤ hi.
    qint64 between(qint64 lo, qint64 hi) { return lo + draw() % (hi - lo + 1); }

  private:
    quint32 m_state;
};

// The seed for a draw: the tick plus the counter m; m then moves on so that two seedings within
// the same millisecond still differ.
quint32 clockSeed(quint32 tick, quint32& counter);

// k numbers drawn without replacement from 1 … n, in the order drawn. At most n are drawn.
QList<int> randomDraw(int k, int n, quint32 seed);
