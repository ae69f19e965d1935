#include "DocumentTool.h"

#include "bank/DocumentImport.h"
#include "bank/ImportFiles.h"
#include "documents/Document.h"
#include "server/ServerAddress.h"
#include "store/Schema.h"
#include "store/Store.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <cstdio>
#include <unistd.h>

namespace doctool {

namespace {

void say(const QString& text) {
    std::fprintf(stderr, "veltaro-import：%s\n", text.toUtf8().constData());
}

void print(const QString& text) {
    std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), stdout);
}

bool exists(const QString& path) {
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

bankimport::Progress terminalProgress() {
    if (!::isatty(STDERR_FILENO))
        return {};
    return [](qint64, qint64) {
        std::fputs("\r正在读取……", stderr);
        return true;
    };
}

// Reads the document in the child and prints what it holds; nothing when it could not be read
// (the user has been told why).
std::optional<documents::Document> readAndShow(const QString& in, const QString& self) {
    const docimport::ReadDocument read = docimport::readInChild(self, in, terminalProgress());
    if (::isatty(STDERR_FILENO))
        std::fputs("\r\033[K", stderr);
    if (!read.error.isEmpty()) {
        say(read.error);
        return std::nullopt;
    }
    const documents::Document& doc = read.doc;
    const QString name = QFileInfo(in).fileName();
    for (int pi = 0; pi < doc.papers.size(); ++pi) {
        const documents::Paper& p = doc.papers[pi];
        QMap<documents::Type, int> types;
        int pictures = 0, bad = 0;
        for (int qi = 0; qi < p.questions.size(); ++qi) {
            ++types[documents::effectiveType(p.questions[qi])];
            pictures += p.questions[qi].pictures.isEmpty() ? 0 : 1;
            bad += doc.isBad(pi, qi) ? 1 : 0;
        }
        QStringList parts;
        for (auto it = types.begin(); it != types.end(); ++it)
            parts << QStringLiteral("%1 %2").arg(it.key() == documents::Type::None ? QStringLiteral("题型不明")
                                                                                    : documents::typeText(it.key()))
                         .arg(it.value());
        QString line = QStringLiteral("试卷“%1”：%2 道题（%3），考试时间 %4 分钟")
                           .arg(p.name)
                           .arg(p.questions.size())
                           .arg(parts.join(QStringLiteral("、")))
                           .arg(p.minutes.value_or(60));
        if (pictures > 0)
            line += QStringLiteral("，%1 道题有图片").arg(pictures);
        if (bad > 0)
            line += QStringLiteral("，%1 道题有问题").arg(bad);
        if (!p.rules.isPlain())
            line += QStringLiteral("，评分：") + documents::describeRules(p.rules);
        print(line);
    }
    for (const QString& left : doc.leftOut)
        print(QStringLiteral("没有读入：%1").arg(left));
    for (const documents::Problem& p : doc.problems)
        print(QStringLiteral("问题：%1").arg(docimport::problemText(name, doc, p)));
    std::fflush(stdout);
    return doc;
}

int check(const QString& in, const QString& self) {
    const std::optional<documents::Document> doc = readAndShow(in, self);
    if (!doc)
        return 1;
    const QString name = QFileInfo(in).fileName();
    if (!doc->problems.isEmpty()) {
        say(QStringLiteral("检查没有通过：%1 中有 %2 处问题，%3 道题有问题（见上）。")
                .arg(name)
                .arg(doc->problems.size())
                .arg(doc->badCount()));
        return 1;
    }
    say(QStringLiteral("%1 可以完整读取：%2 套试卷，共 %3 道题。").arg(name).arg(doc->papers.size()).arg(doc->questionCount()));
    return 0;
}

int importDocument(const QString& in, const QString& db, std::optional<qint64> code, const QString& self) {
    if (ServerAddress::isServerUri(db)) {
        say(QStringLiteral("文档要先导入题库文件（veltaro-import %1 ks.db），再把题库文件导入服务器"
                           "（veltaro-import ks.db postgresql://…）。")
                .arg(QFileInfo(in).fileName()));
        return 2;
    }
    const std::optional<documents::Document> doc = readAndShow(in, self);
    if (!doc)
        return 1;
    const QString name = QFileInfo(in).fileName();
    if (doc->badCount() > 0) {
        say(QStringLiteral("%1 中有 %2 道题有问题（见上），没有导入任何内容。改正后再导入，或者在题库窗口中"
                           "选“只导入没有问题的题目”。")
                .arg(name)
                .arg(doc->badCount()));
        return 1;
    }
    const bool created = !exists(db);
    if (created) {
        if (const QString error = schema::createBankFile(db); !error.isEmpty()) {
            say(error);
            return 1;
        }
    }
    docimport::Stored stored;
    {
        Store store;
        if (store.open(db) != Store::OpenResult::Ok) {
            say(store.lastError());
            return 1;
        }
        stored = docimport::store(store, QFileInfo(db).absolutePath(), name, *doc, {code, false});
    }
    if (!stored.error.isEmpty()) {
        if (created)
            QFile::remove(db);
        say(stored.error);
        return 1;
    }
    for (const QString& note : stored.notes)
        say(note);
    QString done = QStringLiteral("已从 %1 导入 %2 套试卷（编码 %3）、%4 道题到 %5")
                       .arg(name)
                       .arg(stored.codes.size())
                       .arg(stored.codes.join(QStringLiteral("、")))
                       .arg(stored.questions)
                       .arg(db);
    if (stored.pictures > 0)
        done += QStringLiteral("，%1 张图片存入了 %2/pic").arg(stored.pictures).arg(QFileInfo(db).absolutePath());
    say(done + QStringLiteral("。"));
    return 0;
}

int exportDocument(const QString& db, const QString& out, const QString& code) {
    if (exists(out)) {
        say(QStringLiteral("%1 已存在，不会改动它。").arg(out));
        return 1;
    }
    Store store;
    const Store::OpenResult opened =
        ServerAddress::isServerUri(db) ? store.openServer(db) : store.open(db);
    if (opened != Store::OpenResult::Ok) {
        say(opened == Store::OpenResult::Missing ? QStringLiteral("找不到 %1。").arg(db) : store.lastError());
        return 1;
    }
    const documents::Document doc = docimport::bankDocument(store, QFileInfo(db).absolutePath(), code);
    if (!code.isEmpty() && doc.papers.isEmpty()) {
        say(QStringLiteral("%1 中没有编码为 %2 的试卷。").arg(db, code));
        return 1;
    }
    const docimport::Written written = docimport::writeDocument(doc, out, false);
    if (!written.error.isEmpty()) {
        say(written.error);
        return 1;
    }
    for (const QString& line : written.skipped)
        say(QStringLiteral("没有写入：%1").arg(line));
    say(QStringLiteral("已把 %1 套试卷、%2 道题导出到 %3。").arg(written.papers).arg(written.questions).arg(out));
    return 0;
}

// Takes "NAME VALUE" out of args; false when NAME is there without a value.
bool takeOption(QStringList& args, const QString& name, QString* value) {
    const int at = args.indexOf(name);
    if (at < 0)
        return true;
    if (at + 1 >= args.size())
        return false;
    *value = args[at + 1];
    args.remove(at, 2);
    return true;
}

} // namespace

std::optional<int> run(const QStringList& given, const QString& self) {
    QStringList args = given;
    if (args.value(0) != QLatin1String("--child"))
        args.removeAll(QStringLiteral("--verbose"));
    if (args.size() == 3 && args[0] == QLatin1String("--child") && bankbook::isDocument(args[1]))
        return docimport::childRead(args[1], args[2]);
    if (args.size() == 2 && args[0] == QLatin1String("--check") && bankbook::isDocument(args[1]))
        return check(args[1], self);
    if (args.value(0) == QLatin1String("--export") && args.size() >= 3 && docimport::isDocumentFormat(args[2])) {
        QString paper;
        if (!takeOption(args, QStringLiteral("--paper"), &paper) || args.size() != 3) {
            say(QStringLiteral("用法：veltaro-import --export 题库.db 输出.txt|输出.docx|输出.xml [--paper 试卷编码]"));
            return 2;
        }
        return exportDocument(args[1], args[2], paper);
    }
    if (!args.isEmpty() && bankbook::isDocument(args[0])) {
        QString codeText;
        // An option out of place ("试卷.txt --check") is no bank to create.
        if (!takeOption(args, QStringLiteral("--code"), &codeText) || args.size() != 2 ||
            args[1].startsWith(QLatin1Char('-'))) {
            say(QStringLiteral("用法：veltaro-import 试卷.txt|试卷.docx|题库.xml|题目.gift 题库.db [--code 试卷编码]"));
            return 2;
        }
        std::optional<qint64> code;
        if (!codeText.isEmpty()) {
            bool number = false;
            code = codeText.toLongLong(&number);
            if (!number || *code <= 0) {
                say(QStringLiteral("--code 后面要写一个正整数（第一套试卷的编码），不是“%1”。").arg(codeText));
                return 2;
            }
        }
        return importDocument(args[0], args[1], code, self);
    }
    return std::nullopt;
}

QString helpText() {
    return QStringLiteral(
        "\n"
        "试卷文档（文本试卷、Word 文档、Moodle XML、GIFT、Aiken）：\n"
        "      veltaro-import 试卷.txt|试卷.docx|题库.xml|题目.gift 题库.db [--code 编码]\n"
        "      veltaro-import --check 试卷.docx\n"
        "      veltaro-import --export 题库.db 输出.txt|输出.docx|输出.xml [--paper 编码]\n"
        "  先把文档从头到尾读一遍，列出找到的试卷和每一处问题（行号或段号和原因）；没有一道题\n"
        "  有问题时才导入，全部在一次事务中存入题库（题库文件不存在时新建一个）。每套试卷按题号\n"
        "  顺序、抽题数等于题数、考试时间取自标题（“考试时间：120分钟”）或为 60 分钟；试卷编码是\n"
        "  下一个没有用过的数字，--code 指定第一套试卷的编码。文档中的图片存入题库文件夹的 pic/，\n"
        "  按题目命名（“编码-题号.png”）。--check 只读不导入。\n"
        "  --export 把一套试卷（--paper）或整个题库写成文本试卷（UTF-8）、Word 文档（带图片）或\n"
        "  Moodle XML（带图片）；再读回来得到同样的题目、答案、分值、题型和解析。\n");
}

} // namespace doctool
