#include "ClassroomCommand.h"

#include "server/Classroom.h"
#include "server/ServerAddress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace {

int report(const classroom::Outcome& outcome) {
    for (const QString& line : outcome.lines)
        std::fprintf(stdout, "%s\n", line.toUtf8().constData());
    if (!outcome.ok)
        std::fprintf(stderr, "veltaro-import：%s\n", outcome.error.toUtf8().constData());
    return outcome.ok ? 0 : 1;
}

int refuse(const QString& text) {
    std::fprintf(stderr, "veltaro-import：%s\n", text.toUtf8().constData());
    return 2;
}

// The generated passwords go beside the list: 名单.csv → 名单-密码.csv, never over an existing file.
QString passwordFileFor(const QString& list) {
    const QFileInfo fi(list);
    for (int n = 1;; ++n) {
        const QString name = fi.dir().filePath(fi.completeBaseName() + QStringLiteral("-密码") +
                                               (n > 1 ? QString::number(n) : QString()) + QStringLiteral(".csv"));
        if (!QFileInfo::exists(name))
            return name;
    }
}

} // namespace

QString classroomHelp() {
    return QStringLiteral(
        "课堂（PostgreSQL 题库，用数据库所有者的 URI）：\n"
        "  --classroom URI                 建立教师和考生角色、权限和行级安全规则（可重复运行）\n"
        "  --add-candidates URI 名单.csv   每名考生一个登录（考号,姓名[,密码]，UTF-8 或 GBK）；\n"
        "                                  生成的密码写入名单旁的 名单-密码.csv\n"
        "  --add-teacher URI 用户名        建立教师登录，显示一次生成的密码\n"
        "  --remove-candidate URI 考号     删除考生的登录（答案保留）\n"
        "  --release-answers URI 试卷编码  向考生公布考试用卷的标准答案和解析\n"
        "  --hide-answers URI 试卷编码     再次隐藏\n");
}

int classroomCommand(const QStringList& args) {
    static const QStringList commands = {
        QStringLiteral("--classroom"),        QStringLiteral("--add-candidates"),  QStringLiteral("--add-teacher"),
        QStringLiteral("--remove-candidate"), QStringLiteral("--release-answers"), QStringLiteral("--hide-answers")};
    if (args.isEmpty() || !commands.contains(args.first()))
        return -1;
    const QString command = args.first();
    const int wanted = command == commands.first() ? 2 : 3;
    if (args.size() != wanted)
        return refuse(QStringLiteral("用法：\n") + classroomHelp());
    const QString uri = args.at(1);
    if (!ServerAddress::isServerUri(uri))
        return refuse(ServerAddress::parse(uri).error);
    if (command == QLatin1String("--classroom"))
        return report(classroom::setUp(uri));
    const QString what = args.at(2);
    if (command == QLatin1String("--add-candidates")) {
        QFile file(what);
        if (!file.open(QIODevice::ReadOnly))
            return refuse(QStringLiteral("无法读取考生名单 %1").arg(what));
        QString error;
        const QList<classroom::Candidate> list = classroom::readCandidates(file.readAll(), &error);
        if (!error.isEmpty())
            return refuse(error);
        return report(classroom::addCandidates(uri, list, passwordFileFor(what)));
    }
    if (command == QLatin1String("--add-teacher"))
        return report(classroom::addTeacher(uri, what));
    if (command == QLatin1String("--remove-candidate"))
        return report(classroom::removeCandidate(uri, what));
    return report(classroom::releaseAnswers(uri, what, command == QLatin1String("--release-answers")));
}
