#include "app/BankFolder.h"
#include "printing/ProfileFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

// Where the install puts the demo bank, relative to the program's folder and as configured.
#ifndef VELTARO_DEMO_FROM_BIN
#define VELTARO_DEMO_FROM_BIN "../share/veltaro"
#endif
#ifndef VELTARO_DEMO_DIR
#define VELTARO_DEMO_DIR "/usr/share/veltaro"
#endif

namespace bankfolder {

namespace {

const QString kBankFile = QStringLiteral("ks.db");

bool existsOrLink(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString absoluteClean(const QString& path) {
    return QDir::cleanPath(QDir(path).absolutePath());
}

QString failure(const QString& what, const QString& path, const QString& reason) {
    QString text = what + QDir::toNativeSeparators(path);
    if (!reason.isEmpty())
        text += QLatin1Char('\n') + reason;
    return text;
}

// Owner may always read and write a seeded copy: installed files are often read-only.
void makeUsersOwn(QFile& file) {
    file.setPermissions(file.permissions() | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

} // namespace

bool holdsBank(const QString& dir) {
    const QDir d(dir);
    if (QFileInfo(d.filePath(kBankFile)).isFile())
        return true;
    const QStringList access = d.entryList({QStringLiteral("ks.mdb")}, QDir::Files | QDir::Hidden);
    return !access.isEmpty() || QFileInfo(d.filePath(QStringLiteral("ks.mdb"))).isFile();
}

QString settingsFile(const QString& dir) {
    return QDir(dir).filePath(QStringLiteral("veltaro.ini"));
}

QString configuredDatabase(const QString& dir) {
    return ProfileFile::read(settingsFile(dir), QStringLiteral("bank"), QStringLiteral("database"));
}

QString userFolder() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/veltaro"));
}

Choice choose(const QString& optionDir, const QString& programDir) {
    if (!optionDir.isEmpty())
        return {absoluteClean(optionDir), Source::Option};
    if (!programDir.isEmpty() && (holdsBank(programDir) || !configuredDatabase(programDir).isEmpty()))
        return {absoluteClean(programDir), Source::ProgramFolder};
    return {userFolder(), Source::UserFolder};
}

QString demoFolder(const QString& programDir) {
    const QStringList candidates = {QDir(programDir).filePath(QStringLiteral(VELTARO_DEMO_FROM_BIN)),
                                    QStringLiteral(VELTARO_DEMO_DIR)};
    for (const QString& c : candidates)
        if (QFileInfo(QDir(c).filePath(kBankFile)).isFile())
            return absoluteClean(c);
    return {};
}

SeedResult seed(const QString& bankDir, const QString& demoDir) {
    SeedResult result;
    QDir bank(bankDir);
    if (!bank.exists() && !QDir().mkpath(bankDir)) {
        result.error = failure(QStringLiteral("无法建立题库文件夹："), bankDir, QString());
        return result;
    }
    if (holdsBank(bankDir))
        return result;
    const QDir demo(demoDir);
    if (demoDir.isEmpty() || !QFileInfo(demo.filePath(kBankFile)).isFile()) {
        result.error = failure(
            QStringLiteral("找不到示例题库："),
            demoDir.isEmpty() ? QStringLiteral(VELTARO_DEMO_DIR) : demo.filePath(kBankFile), QString());
        return result;
    }

    QStringList files;
    QDirIterator it(demoDir, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString relative = demo.relativeFilePath(it.next());
        if (relative != kBankFile)
            files << relative;
    }
    files.sort();
    for (const QString& relative : std::as_const(files)) {
        const QString target = bank.filePath(relative);
        if (existsOrLink(target))
            continue;
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) ||
            !QFile::copy(demo.filePath(relative), target)) {
            result.error = failure(QStringLiteral("无法复制示例文件到："), target, QString());
            return result;
        }
        QFile copy(target);
        makeUsersOwn(copy);
        result.copied << relative;
    }

    // The bank itself last, copied beside and renamed in one step; the rename never replaces.
    const QString target = bank.filePath(kBankFile);
    const QString partial =
        bank.filePath(QStringLiteral(".ks.db.seeding-%1").arg(QCoreApplication::applicationPid()));
    QFile::remove(partial);
    QFile source(demo.filePath(kBankFile));
    if (!source.copy(partial)) {
        result.error = failure(QStringLiteral("无法复制示例题库到："), target, source.errorString());
        QFile::remove(partial);
        return result;
    }
    QFile copy(partial);
    makeUsersOwn(copy);
    if (!copy.rename(target)) {
        QFile::remove(partial);
        // Another start of the program seeded the folder meanwhile: its bank stands.
        if (!existsOrLink(target))
            result.error = failure(QStringLiteral("无法复制示例题库到："), target, copy.errorString());
        return result;
    }
    result.copied << kBankFile;
    return result;
}

Prepared prepare(const QString& optionDir, const QString& programDir) {
    Prepared prepared;
    prepared.choice = choose(optionDir, programDir);
    const QString& path = prepared.choice.path;
    switch (prepared.choice.source) {
    case Source::Option:
        if (!QFileInfo(path).isDir())
            prepared.error = failure(QStringLiteral("题库文件夹不存在："), path, QString());
        break;
    case Source::ProgramFolder:
        break;
    case Source::UserFolder: {
        const SeedResult s = seed(path, demoFolder(programDir));
        prepared.seeded = s.copied;
        prepared.warning = s.error;
        break;
    }
    }
    return prepared;
}

} // namespace bankfolder
