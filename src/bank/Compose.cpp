#include "bank/Compose.h"

#include "bank/BankEdits.h"
#include "marking/Scoring.h"
#include "store/Store.h"

#include <QHash>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <algorithm>
#include <cstdio>

namespace bank {

namespace {
using documents::Type;
const Type kTypes[] = {Type::Single, Type::Multiple, Type::TrueFalse, Type::Indefinite};

int typeIndex(const QString& text) {
    const Type t = documents::typeFromText(text);
    for (int i = 0; i < 4; ++i)
        if (kTypes[i] == t)
            return i;
    return -1;
}
} // namespace

ComposeResult compose(Store& store, const ComposeRequest& request) {
    ComposeResult out;
    if (request.name.trimmed().isEmpty()) {
        out.error = QStringLiteral("请给新试卷起一个名称。");
        return out;
    }
    int wanted = 0;
    for (int i = 0; i < 4; ++i) {
        if (request.counts[i] < 0) {
            out.error = QStringLiteral("%1题的题数不能是负数。").arg(documents::typeText(kTypes[i]));
            return out;
        }
        wanted += request.counts[i];
    }
    if (wanted == 0) {
        out.error = QStringLiteral("请至少为一种题型指定题数。");
        return out;
    }
    QStringList sources = request.sources;
    const QList<PaperSummary> papers = listPapers(store);
    if (sources.isEmpty())
        for (const PaperSummary& p : papers)
            sources << p.paper.code;
    QStringList unknown;
    for (const QString& code : sources)
        if (!paperByCode(store, code))
            unknown << code;
    if (!unknown.isEmpty()) {
        out.error = QStringLiteral("题库中没有这些试卷：%1").arg(unknown.join(QStringLiteral("、")));
        return out;
    }
    // Each source paper once, however often it is named.
    QStringList seen;
    std::array<QList<Question>, 4> pools;
    for (const QString& code : sources) {
        if (seen.contains(code, Qt::CaseInsensitive))
            continue;
        seen << code;
        for (const Question& q : listQuestions(store, code)) {
            const Type t = scoring::questionType(q.tixing, q.authority);
            for (int i = 0; i < 4; ++i)
                if (kTypes[i] == t)
                    pools[i] << q;
        }
    }
    QStringList short_;
    for (int i = 0; i < 4; ++i)
        if (pools[i].size() < request.counts[i])
            short_ << QStringLiteral("%1题只有 %2 道，不够抽 %3 道")
                          .arg(documents::typeText(kTypes[i]))
                          .arg(pools[i].size())
                          .arg(request.counts[i]);
    if (!short_.isEmpty()) {
        out.error = QStringLiteral("无法组卷，没有建立试卷：%1。").arg(short_.join(QStringLiteral("；")));
        return out;
    }
    QString code = request.code.trimmed();
    if (code.isEmpty())
        for (int n = 1; code.isEmpty() || paperByCode(store, code); ++n)
            code = QStringLiteral("组卷%1").arg(n);

    QRandomGenerator random = request.seed ? QRandomGenerator(request.seed) : QRandomGenerator::securelySeeded();
    Tables tables;
    tables.papers << Paper{code, request.name.trimmed(), qint64(wanted), qint64(1), qint64(request.minutes)};
    int number = 0;
    for (int i = 0; i < 4; ++i) {
        QList<Question>& pool = pools[i];
        // A partial Fisher–Yates shuffle: the first counts[i] are a draw without repeats.
        for (int k = 0; k < request.counts[i]; ++k) {
            const int j = k + int(random.bounded(quint32(pool.size() - k)));
            pool.swapItemsAt(k, j);
            Question q = pool[k];
            q.code = code;
            q.tihao = qint64(++number);
            q.practice.clear();
            q.tixing = documents::typeText(kTypes[i]);
            if (request.marks[i])
                q.score = *request.marks[i];
            tables.questions << q;
        }
    }
    tables.rules.insert(code, request.rules);
    if (const QString error = addTables(store, tables, false); !error.isEmpty()) {
        out.error = error;
        return out;
    }
    out.code = code;
    out.questions = wanted;
    return out;
}

QString composeHelp() {
    return QStringLiteral(
        "  --compose 题库.db|postgresql://… 选项   组卷：从题库的试卷中随机抽题，组成一份新试卷\n"
        "      --name 名称            新试卷的名称（必填）\n"
        "      --code 编码            新试卷的编码（不填时用“组卷1”“组卷2”……中第一个没用过的）\n"
        "      --from 编码,编码…       从这些试卷中抽题（不填时从全部试卷中抽）\n"
        "      --单选 N --多选 N --判断 N --不定项 N   每种题型抽几道（也可写 --single、--multiple、\n"
        "                             --truefalse、--indefinite）\n"
        "      --mark 题型=分值,…      每种题型每题的分值，例如 单选=1,多选=2（不填时用原题的分值）\n"
        "      --rule 题型=规则,…      评分规则：全对得分、少选得分[:每个选项的分值|:按比例]、\n"
        "                             答错扣分[:扣分]，后面加“:最低零分”表示本类题最低得分为零分，\n"
        "                             例如 多选=少选得分:0.5,判断=答错扣分:0.5:最低零分\n"
        "      --minutes 分钟          考试时间（默认 60）\n"
        "      --seed 数字             用同一个数字时，同一题库抽出同样的题（便于复现）\n"
        "    抽题不重复，题目连同图片、解析和题型按 单选、多选、判断、不定项 的顺序复制到新试卷；\n"
        "    某种题型的题不够时说明缺多少，不建立任何试卷。\n");
}

namespace {
void say(const QString& text) {
    std::fprintf(stderr, "veltaro-import：%s\n", text.toUtf8().constData());
}

} // namespace

int composeCommand(const QStringList& args) {
    if (args.isEmpty() || args[0].startsWith(QLatin1Char('-'))) {
        say(QStringLiteral("--compose 后面应是题库文件或服务器地址。用 veltaro-import --help 查看说明。"));
        return 2;
    }
    ComposeRequest request;
    const QHash<QString, int> countOptions{{"--单选", 0},        {"--single", 0},   {"--多选", 1},
                                           {"--multiple", 1},    {"--判断", 2},     {"--truefalse", 2},
                                           {"--不定项", 3},      {"--indefinite", 3}};
    QString error;
    for (int k = 1; k < args.size() && error.isEmpty(); k += 2) {
        const QString option = args[k];
        if (k + 1 >= args.size()) {
            error = QStringLiteral("选项 %1 后面缺少值").arg(option);
            break;
        }
        const QString value = args[k + 1];
        bool ok = true;
        if (countOptions.contains(option)) {
            request.counts[countOptions[option]] = value.toInt(&ok);
            ok = ok && request.counts[countOptions[option]] >= 0 && request.counts[countOptions[option]] <= 100000;
        } else if (option == QLatin1String("--name")) {
            request.name = value;
        } else if (option == QLatin1String("--code")) {
            request.code = value;
        } else if (option == QLatin1String("--from")) {
            request.sources = value.split(QRegularExpression(QStringLiteral("[,，、]")), Qt::SkipEmptyParts);
        } else if (option == QLatin1String("--minutes")) {
            request.minutes = value.toInt(&ok);
            ok = ok && request.minutes > 0 && request.minutes <= 100000;
        } else if (option == QLatin1String("--seed")) {
            request.seed = value.toUInt(&ok);
        } else if (option == QLatin1String("--mark")) {
            for (const QString& item : value.split(QRegularExpression(QStringLiteral("[,，]")), Qt::SkipEmptyParts)) {
                const int eq = item.indexOf(QLatin1Char('='));
                const int i = eq > 0 ? typeIndex(item.left(eq)) : -1;
                bool number = false;
                const double mark = item.mid(eq + 1).toDouble(&number);
                if (i < 0 || !number || mark < 0 || mark > 1000) {
                    error = QStringLiteral("--mark 的“%1”应写成 题型=分值，例如 多选=2").arg(item);
                    break;
                }
                request.marks[i] = mark;
            }
        } else if (option == QLatin1String("--rule")) {
            error = documents::rulesFromText(value, &request.rules);
        } else {
            error = QStringLiteral("不认识的选项 %1").arg(option);
        }
        if (!ok && error.isEmpty())
            error = QStringLiteral("选项 %1 的值“%2”不是合适的数字").arg(option, value);
    }
    if (!error.isEmpty()) {
        say(error);
        return 2;
    }
    Store store;
    const bool server = args[0].startsWith(QLatin1String("postgres"));
    const Store::OpenResult opened = server ? store.openServer(args[0]) : store.open(args[0]);
    if (opened != Store::OpenResult::Ok) {
        say(QStringLiteral("无法打开题库 %1：%2").arg(args[0], store.lastError()));
        return 1;
    }
    if (store.isReadOnly()) {
        say(QStringLiteral("题库 %1 只能读，不能组卷：%2").arg(args[0], store.readOnlyReason()));
        return 1;
    }
    const ComposeResult result = compose(store, request);
    if (!result.error.isEmpty()) {
        say(result.error);
        return 1;
    }
    std::printf("%s\n", QStringLiteral("已组卷：试卷“%1”（编码 %2），%3 道题。")
                            .arg(request.name.trimmed(), result.code)
                            .arg(result.questions)
                            .toUtf8()
                            .constData());
    return 0;
}

} // namespace bank
