#pragma once

#include <QString>

class Store;

// One sitting of one candidate is sat on one computer at a time. The program that starts it claims
// it in the bank (the table 在考) and gives a sign of life every kRenewSeconds; a claim without a
// sign of life for kStaleSeconds (its computer was switched off, the program killed) is free again.
// Times are taken by the store's clock, so the computers' own clocks do not matter. No widgets here.
namespace sittingclaim {

constexpr int kStaleSeconds = 120;
constexpr int kRenewSeconds = 30;

struct Key {
    QString code;
    QString student;
    QString state;
};

enum class Outcome {
    Claimed,       // this program holds the sitting
    HeldElsewhere, // another program holds it
    NotClaimed,    // this bank keeps no claims (read-only, or another program had it open)
    Failed,        // the store failed (error says why); nothing is held
};

struct Result {
    Outcome outcome = Outcome::Failed;
    QString host;             // the computer of the program that holds it
    qint64 silentSeconds = 0; // since that program's last sign of life
    QString error;
};

// A name for one claimant: this computer, this process and a count, so that two windows of one
// program are two claimants as well.
QString newOwner();
QString thisHost();

Result claim(Store& store, const Key& key, const QString& owner);
// A sign of life. A claim that was lost meanwhile (the store was out of reach for longer than
// kStaleSeconds) is taken again when nobody else has taken it. Failed when the store cannot be
// reached: the claim stays as it is until the next sign of life.
Result renew(Store& store, const Key& key, const QString& owner);
// Lets the sitting go; a failure is harmless (the claim runs out).
void release(Store& store, const Key& key, const QString& owner);

// What the user reads when a sitting is held elsewhere.
QString heldElsewhereText(const Key& key, const Result& held);

} // namespace sittingclaim
