#include "app/CommandLine.h"
#include "server/ServerAddress.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <algorithm>

#ifndef VELTARO_VERSION
#define VELTARO_VERSION "0"
#endif

namespace commandline {

namespace {

struct CommandOption {
    QStringList names;
    QString valueName; // empty: a switch
    QString description;
};

const QList<CommandOption>& optionTable() {
    static const QList<CommandOption> table = {
        {{QStringLiteral("bank")},
         QStringLiteral("文件夹"),
         QStringLiteral("题库文件夹：存放 ks.db（或 ks.mdb）、pic/、wav/ 和打印设置的文件夹。")},
        {{QStringLiteral("database")},
         QStringLiteral("地址"),
         QStringLiteral("用 PostgreSQL 服务器上的题库代替 ks.db，地址如 postgresql://用户@服务器/数据库。")},
        {{QStringLiteral("h"), QStringLiteral("help")}, {}, QStringLiteral("显示本帮助后退出。")},
        {{QStringLiteral("v"), QStringLiteral("version")}, {}, QStringLiteral("显示版本后退出。")},
    };
    return table;
}

// Columns a terminal gives a text: CJK and full-width characters take two.
int displayWidth(const QString& text) {
    int width = 0;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        width +=
            (u >= 0x1100 && (u <= 0x115f || (u >= 0x2e80 && u <= 0xa4cf) || (u >= 0xac00 && u <= 0xd7a3) ||
                             (u >= 0xf900 && u <= 0xfaff) || (u >= 0xfe30 && u <= 0xfe4f) ||
                             (u >= 0xff00 && u <= 0xff60) || (u >= 0xffe0 && u <= 0xffe6)))
                ? 2
                : 1;
    }
    return width;
}

QString spelling(const CommandOption& entry) {
    QStringList names;
    for (const QString& n : entry.names)
        names << (n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n;
    QString text = names.join(QStringLiteral(", "));
    if (!entry.valueName.isEmpty())
        text += QStringLiteral(" <%1>").arg(entry.valueName);
    return text;
}

// Options that Qt's application object reads and removes itself.
bool isToolkitOption(const QString& name) {
    static const QStringList names = {
        QStringLiteral("platform"),
        QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"),
        QStringLiteral("plugin"),
        QStringLiteral("qwindowgeometry"),
        QStringLiteral("qwindowicon"),
        QStringLiteral("qwindowtitle"),
        QStringLiteral("reverse"),
        QStringLiteral("session"),
        QStringLiteral("display"),
        QStringLiteral("geometry"),
        QStringLiteral("title"),
        QStringLiteral("name"),
        QStringLiteral("style"),
        QStringLiteral("stylesheet"),
        QStringLiteral("widgetcount"),
        QStringLiteral("nograb"),
        QStringLiteral("dograb"),
        QStringLiteral("sync"),
        QStringLiteral("visual"),
        QStringLiteral("qmljsdebugger"),
    };
    return names.contains(name.section(QLatin1Char('='), 0, 0));
}

} // namespace

QString version() {
    return QStringLiteral(VELTARO_VERSION);
}

QString versionText() {
    return QStringLiteral("veltaro %1\n").arg(version());
}

QString helpText() {
    QString text =
        QStringLiteral("用法：veltaro [选项]\n"
                       "Veltaro语音读题：练习会计资格考试的选择题，听题朗读，计时考试并当场评分。\n\n"
                       "选项：\n");
    int column = 0;
    for (const CommandOption& entry : optionTable())
        column = qMax(column, displayWidth(spelling(entry)));
    for (const CommandOption& entry : optionTable()) {
        const QString s = spelling(entry);
        text += QStringLiteral("  ") + s + QString(column - displayWidth(s) + 3, QLatin1Char(' ')) +
                entry.description + QLatin1Char('\n');
    }
    text += QStringLiteral(
        "\n不给 --bank 时，题库文件夹依次是：程序文件所在的文件夹（其中有 ks.db 或 ks.mdb 时）；\n"
        "否则 $XDG_DATA_HOME/veltaro（默认 ~/.local/share/veltaro），第一次启动时建立，\n"
        "并放入示例题库、题目图片和读题录音。程序以题库文件夹为当前文件夹运行。\n"
        "\n题库也可以放在 PostgreSQL 服务器上，供一个教室的电脑同时考试：用 --database 给出地址，\n"
        "或写在题库文件夹的 veltaro.ini 中（[bank] 下 database=postgresql://…）。密码可以写在\n"
        "~/.pgpass 中。这时题库文件夹只提供图片、录音和打印设置。\n");
    return text;
}

Result parse(const QStringList& arguments) {
    QCommandLineParser parser;
    // Single-dash long names ("-bank", "-help") read as the long options, as Qt's own do.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const CommandOption& entry : optionTable())
        parser.addOption(QCommandLineOption(entry.names, entry.description, entry.valueName));
    const bool parsed =
        parser.parse(arguments.isEmpty() ? QStringList{QStringLiteral("veltaro")} : arguments);

    Result result;
    if (parser.isSet(QStringLiteral("help"))) {
        result.action = Action::ShowHelp;
        result.text = helpText();
        return result;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        result.action = Action::ShowVersion;
        result.text = versionText();
        return result;
    }
    auto fail = [&](const QString& message) {
        result.action = Action::Fail;
        result.exitCode = 2;
        result.text = message + QStringLiteral("\n用 veltaro --help 查看可用的选项。\n");
        return result;
    };
    if (!parsed) {
        const QStringList unknown = parser.unknownOptionNames();
        result.toolkitOptions = std::any_of(unknown.begin(), unknown.end(), isToolkitOption);
        if (!unknown.isEmpty()) {
            QStringList spelt;
            for (const QString& name : unknown)
                spelt << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
            return fail(QStringLiteral("不认识的选项：%1").arg(spelt.join(QStringLiteral("、"))));
        }
        return fail(QStringLiteral("命令行有误：选项缺少它的值。\n") + parser.errorText());
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(
            QStringLiteral("多余的参数：%1").arg(parser.positionalArguments().join(QLatin1Char(' '))));
    if (parser.isSet(QStringLiteral("database"))) {
        const QString uri = parser.value(QStringLiteral("database")).trimmed();
        const ServerAddress address = ServerAddress::parse(uri);
        if (!address.ok())
            return fail(QStringLiteral("选项 --database 的地址有误：%1。").arg(address.error));
        result.options.databaseUrl = uri;
    }
    if (parser.isSet(QStringLiteral("bank"))) {
        result.options.bankDir = parser.value(QStringLiteral("bank"));
        if (result.options.bankDir.isEmpty())
            return fail(QStringLiteral("选项 --bank 需要一个文件夹。"));
    }
    return result;
}

} // namespace commandline
