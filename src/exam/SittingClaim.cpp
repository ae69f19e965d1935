#include "exam/SittingClaim.h"

#include "store/Store.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QSysInfo>

namespace sittingclaim {

namespace {
QAtomicInt g_claimants;

Params keyParams(const Key& key) {
    return {{"code", key.code}, {"student", key.student}, {"state", key.state}};
}
} // namespace

QString thisHost() {
    const QString host = QSysInfo::machineHostName();
    return host.isEmpty() ? QStringLiteral("未知的电脑") : host;
}

QString newOwner() {
    return QStringLiteral("%1/%2/%3")
        .arg(thisHost())
        .arg(QCoreApplication::applicationPid())
        .arg(g_claimants.fetchAndAddRelaxed(1));
}

Result claim(Store& store, const Key& key, const QString& owner) {
    Result r;
    if (!store.claimsSittings()) {
        r.outcome = Outcome::NotClaimed;
        return r;
    }
    Params stale = keyParams(key);
    stale.append({"seconds", kStaleSeconds});
    Params mine = keyParams(key);
    mine.append({"owner", owner});
    mine.append({"host", thisHost()});
    // The insert takes the sitting only when nobody holds it; reading back who holds it then
    // settles a race between two computers: both read the one that got in.
    bool found = false;
    if (!store.execute(Sql::FreeStaleClaims, stale) || !store.execute(Sql::ClaimSitting, mine) ||
        !store.forEachRow(Sql::SittingClaim, keyParams(key), [&](const RowReader& row) {
            found = true;
            r.outcome = valueread::text(row.value(row.column("owner"))) == owner ? Outcome::Claimed
                                                                                 : Outcome::HeldElsewhere;
            r.host = valueread::text(row.value(row.column("host")));
            r.silentSeconds =
                qMax<qint64>(0, valueread::integer(row.value(row.column(QStringLiteral("静默秒数")))));
        })) {
        r.outcome = Outcome::Failed;
        r.error = store.lastError();
        return r;
    }
    if (!found) {
        // Let go between the insert and the read: the sitting is free, and the next try takes it.
        r.outcome = Outcome::Failed;
        r.error = QStringLiteral("请再试一次");
    }
    return r;
}

Result renew(Store& store, const Key& key, const QString& owner) {
    Result r;
    if (!store.claimsSittings()) {
        r.outcome = Outcome::NotClaimed;
        return r;
    }
    Params mine = keyParams(key);
    mine.append({"owner", owner});
    if (!store.execute(Sql::RenewClaim, mine)) {
        r.error = store.lastError();
        return r;
    }
    if (store.changedRows() > 0) {
        r.outcome = Outcome::Claimed;
        return r;
    }
    return claim(store, key, owner);
}

void release(Store& store, const Key& key, const QString& owner) {
    if (!store.claimsSittings() || owner.isEmpty())
        return;
    Params mine = keyParams(key);
    mine.append({"owner", owner});
    store.execute(Sql::ReleaseClaim, mine);
}

QString heldElsewhereText(const Key& key, const Result& held) {
    const qint64 wait = qMax<qint64>(0, kStaleSeconds - held.silentSeconds);
    return QStringLiteral("考号 %1 的场次 %2 正在电脑“%3”上考试，同一场考试不能在两处同时进行。\n"
                          "请换一个场次。如果那台电脑已经关掉或程序已经退出，这一场会在它最后一次联系后"
                          "两分钟空出来（大约还要 %4 秒）。")
        .arg(key.student, key.state, held.host)
        .arg(wait);
}

} // namespace sittingclaim
