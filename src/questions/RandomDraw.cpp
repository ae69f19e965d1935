#include "questions/RandomDraw.h"

quint32 clockSeed(quint32 tick, quint32& counter) {
    const quint32 seed = tick + counter;
    counter = counter + seed % 256 + 100;
    return seed;
}

QList<int> randomDraw(int k, int n, quint32 seed) {
    QList<int> pool;
    pool.reserve(qMax(0, n));
    for (int i = 1; i <= n; ++i)
        pool << i;
    Lcg lcg(seed);
    QList<int> out;
    for (int drawn = 0; drawn < k && !pool.isEmpty(); ++drawn) {
        lcg.seed(quint32(lcg.between(0, 276447231)));
        const int i = int(lcg.between(1, pool.size()));
        out << pool.takeAt(i - 1);
    }
    return out;
}
