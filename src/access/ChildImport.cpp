#include "access/ChildImport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace bankimport {

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

void limit(int resource, rlim_t value) {
    struct rlimit r;
    r.rlim_cur = value;
    r.rlim_max = value;
    ::setrlimit(resource, &r);
}

// The tool takes the bank's name only when no file has it: never replaces one that appeared meanwhile.
bool renameNoReplace(const QString& from, const QString& to) {
    const QByteArray a = QFile::encodeName(from), b = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return true;
    // Some file systems (FAT on a USB stick) cannot rename without replacing.
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    return !QFileInfo::exists(to) && ::rename(a.constData(), b.constData()) == 0;
}

void syncFolder(const QString& dir) {
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

QString damaged(const QString& source, const QString& what) {
    return QStringLiteral("%1 文件已损坏或不是题库文件：%2。").arg(source, what);
}

QString& toolOverride() {
    static QString path;
    return path;
}

ChildLimits& programLimits() {
    static ChildLimits l;
    return l;
}

constexpr int kKeptErrorBytes = 64 * 1024;

const QString kUnexpectedEnd = QStringLiteral("读取它的程序意外终止了（可能用了太多内存或时间）");

} // namespace

void setImportTool(const QString& path) {
    toolOverride() = path;
}

QString importTool() {
    if (!toolOverride().isEmpty())
        return toolOverride();
    return QCoreApplication::applicationDirPath() + QStringLiteral("/veltaro-import");
}

void setImportLimits(const ChildLimits& limits) {
    programLimits() = limits;
}

ChildLimits importLimits() {
    return programLimits();
}

ChildRun runChild(const QString& tool, const QStringList& args, const Progress& progress,
                  const ChildLimits& limits) {
    ChildRun run;
    QProcess child;
    child.setProgram(tool);
    child.setArguments(args);
    child.setStandardInputFile(QProcess::nullDevice());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (kAddressSanitizer) {
        // A sanitizer reserves terabytes of address space: it watches the memory in use instead.
        const QString options = env.value(QStringLiteral("ASAN_OPTIONS"));
        env.insert(QStringLiteral("ASAN_OPTIONS"),
                   (options.isEmpty() ? QString() : options + QLatin1Char(':')) +
                       QStringLiteral("hard_rss_limit_mb=%1").arg(limits.addressSpaceBytes >> 20));
    }
    child.setProcessEnvironment(env);
    child.setChildProcessModifier([limits] {
        if (!kAddressSanitizer)
            limit(RLIMIT_AS, rlim_t(limits.addressSpaceBytes));
        limit(RLIMIT_CPU, rlim_t(limits.cpuSeconds));
        limit(RLIMIT_FSIZE, rlim_t(limits.fileBytes));
        limit(RLIMIT_CORE, 0);
        // The child goes when the program goes.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });

    QEventLoop loop;
    QTimer idle, total;
    idle.setSingleShot(true);
    total.setSingleShot(true);
    qint64 output = 0;
    QByteArray pending;
    auto stop = [&](ChildRun::End why) {
        if (run.end == ChildRun::End::FailedToStart)
            run.end = why;
        child.kill();
    };
    auto counted = [&](qint64 bytes) {
        output += bytes;
        if (output > limits.outputBytes)
            stop(ChildRun::End::TooMuchOutput);
    };
    auto readLines = [&] {
        const QByteArray data = child.readAllStandardOutput();
        counted(data.size());
        pending += data;
        for (int nl = pending.indexOf('\n'); nl >= 0; nl = pending.indexOf('\n')) {
            const QString line = QString::fromUtf8(pending.left(nl));
            pending.remove(0, nl + 1);
            idle.start();
            if (line.startsWith(QLatin1String("progress "))) {
                const QStringList f = line.split(QLatin1Char(' '));
                // The callback may run events (a modal progress dialog): lines read meanwhile are
                // handled there, in order.
                if (progress &&
                    !progress(f.value(1).toLongLong(), f.value(2, QStringLiteral("-1")).toLongLong()))
                    stop(ChildRun::End::Cancelled);
            } else if (run.lines.size() < 1000) {
                run.lines << line;
            }
        }
    };
    QObject::connect(&child, &QProcess::readyReadStandardOutput, &loop, readLines);
    QObject::connect(&child, &QProcess::readyReadStandardError, &loop, [&] {
        const QByteArray data = child.readAllStandardError();
        counted(data.size());
        run.errorLines += data.count('\n');
        if (run.errors.size() < kKeptErrorBytes)
            run.errors += QString::fromUtf8(data.left(kKeptErrorBytes - run.errors.size()));
    });
    QObject::connect(&idle, &QTimer::timeout, &loop, [&] { stop(ChildRun::End::Stalled); });
    QObject::connect(&total, &QTimer::timeout, &loop, [&] { stop(ChildRun::End::TimedOut); });
    bool started = false;
    QObject::connect(&child, &QProcess::started, &loop, [&] { started = true; });
    QObject::connect(&child, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&child, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            loop.quit();
    });
    idle.start(limits.idleSeconds * 1000);
    total.start(limits.totalSeconds * 1000);
    child.start();
    if (child.state() != QProcess::NotRunning || child.error() != QProcess::FailedToStart)
        loop.exec();
    if (!started && child.state() == QProcess::NotRunning) {
        run.end = ChildRun::End::FailedToStart;
        return run;
    }
    if (child.state() != QProcess::NotRunning) {
        child.kill();
        child.waitForFinished(5000);
    }
    readLines();
    if (run.end == ChildRun::End::FailedToStart)
        run.end = child.exitStatus() == QProcess::CrashExit ? ChildRun::End::Crashed : ChildRun::End::Exited;
    run.exitCode = child.exitCode();
    return run;
}

QString failure(const ChildRun& run, const QString& tool, const QString& source, const ChildLimits& limits) {
    switch (run.end) {
    case ChildRun::End::FailedToStart:
        return QStringLiteral("无法启动导入程序 %1（它应当在程序所在的文件夹中）。")
            .arg(QDir::toNativeSeparators(tool));
    case ChildRun::End::Cancelled:
        return QStringLiteral("已取消读取 %1。").arg(source);
    case ChildRun::End::TimedOut:
        return damaged(source, QStringLiteral("读取它用了太长的时间"));
    case ChildRun::End::Stalled:
        return damaged(source, QStringLiteral("读取它时超过 %1 秒没有进展").arg(limits.idleSeconds));
    case ChildRun::End::TooMuchOutput:
        return damaged(source, QStringLiteral("读取它时出现了大量警告"));
    case ChildRun::End::Crashed:
        return damaged(source, kUnexpectedEnd);
    case ChildRun::End::Exited:
        // A child that fails says why in "error" lines; one that does not has been stopped
        // (a sanitizer's memory limit ends it this way).
        if (run.exitCode != 0 && run.saidErrors().isEmpty())
            return damaged(source, kUnexpectedEnd);
        break;
    }
    return {};
}

QStringList ChildRun::saidErrors() const {
    QStringList out;
    for (const QString& line : lines)
        if (line.startsWith(QLatin1String("error ")))
            out << line.mid(6);
    return out;
}

ImportResult importInChild(const QString& tool, const QString& path, const QString& dbPath,
                           const Progress& progress, const ChildLimits& limits, ChildRun* runOut) {
    ImportResult result;
    const QString source = QFileInfo(path).fileName();
    const QFileInfo target(dbPath);
    if (target.exists() || target.isSymLink()) {
        result.error = QStringLiteral("%1 已存在，导入不会覆盖它。").arg(target.fileName());
        return result;
    }
    const QString folder = target.absolutePath();
    // Beside the bank, so that the finished file takes its name by a rename.
    QTemporaryDir work(folder + QStringLiteral("/.%1.import-XXXXXX").arg(target.fileName()));
    if (!work.isValid()) {
        result.error = QStringLiteral("无法在文件夹 %1 中写入文件。").arg(QDir::toNativeSeparators(folder));
        return result;
    }
    const QString out = work.filePath(target.fileName());
    const ChildRun run = runChild(tool, {QStringLiteral("--child"), path, out}, progress, limits);
    if (runOut)
        *runOut = run;

    const QStringList errors = run.saidErrors();
    const bool ok = run.saidOk();
    for (const QString& line : run.lines) {
        if (line.startsWith(QLatin1String("note ")))
            result.notes << line.mid(5);
        else if (line.startsWith(QLatin1String("rows "))) {
            const int space = line.lastIndexOf(QLatin1Char(' '));
            result.counts << TableCount{line.mid(5, space - 5), line.mid(space + 1).toLongLong()};
        }
    }
    if (run.end == ChildRun::End::Cancelled) {
        result.cancelled = true;
        result.error = QStringLiteral("已取消导入 %1，没有创建 %2。").arg(source, target.fileName());
        return result;
    }
    if (run.end != ChildRun::End::Exited) {
        result.error = failure(run, tool, source, limits);
        return result;
    }
    if (run.exitCode == 1 && !errors.isEmpty()) {
        result.counts.clear();
        result.error = errors.join(QLatin1Char('\n'));
        return result;
    }
    if (run.exitCode != 0 || !ok || !QFileInfo(out).isFile()) {
        result.counts.clear();
        result.error = damaged(source, kUnexpectedEnd);
        return result;
    }
    if (!renameNoReplace(out, dbPath)) {
        result.counts.clear();
        result.error = QFileInfo::exists(dbPath)
                           ? QStringLiteral("%1 已存在，导入不会覆盖它。").arg(target.fileName())
                           : QStringLiteral("无法把导入的题库命名为 %1。").arg(target.fileName());
        return result;
    }
    syncFolder(folder);
    result.ok = true;
    return result;
}

namespace childprotocol {

void progress(qint64 done, qint64 total) {
    std::printf("progress %lld %lld\n", static_cast<long long>(done), static_cast<long long>(total));
    std::fflush(stdout);
}

void result(const ImportResult& r) {
    if (r.ok) {
        std::printf("ok\n");
        for (const TableCount& c : r.counts)
            std::printf("rows %s %lld\n", c.table.toUtf8().constData(), static_cast<long long>(c.rows));
        for (const QString& note : r.notes)
            for (const QString& line : note.split(QLatin1Char('\n')))
                std::printf("note %s\n", line.toUtf8().constData());
    } else {
        for (const QString& line : r.error.split(QLatin1Char('\n')))
            std::printf("error %s\n", line.toUtf8().constData());
    }
    std::fflush(stdout);
}

} // namespace childprotocol

} // namespace bankimport
