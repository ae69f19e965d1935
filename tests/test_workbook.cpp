#include "TestSupport.h"

#include "bank/BankEdits.h"
#include "bank/BankWorkbook.h"
#include "ui/Gbk.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include <zip.h>

namespace {

// Every row of a bank file, each value with its stored kind, in key order.
QStringList bankRows(const QString& dbPath) {
    QStringList out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("rows"));
        db.setDatabaseName(dbPath);
        if (!db.open())
            return {QStringLiteral("cannot open")};
        QSqlQuery q(db);
        for (const char* sql : {"select * from 试卷 order by code", "select * from 题库 order by code, tihao",
                                "select * from 评分 order by code, student, state, tihao"}) {
            q.exec(QString::fromUtf8(sql));
            while (q.next()) {
                QStringList row;
                for (int i = 0; i < q.record().count(); ++i)
                    row << (q.value(i).isNull()
                                ? QStringLiteral("NULL")
                                : QStringLiteral("%1:%2").arg(q.value(i).typeName(), q.value(i).toString()));
                out << row.join(QLatin1Char('|'));
            }
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("rows"));
    return out;
}

// A package written part by part with libzip, as another program might lay it out.
bool writeZip(const QString& path, const QList<QPair<QString, QByteArray>>& parts) {
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z)
        return false;
    for (const auto& [name, bytes] : parts) {
        void* copy = malloc(size_t(bytes.size()));
        memcpy(copy, bytes.constData(), size_t(bytes.size()));
        zip_source_t* src = zip_source_buffer(z, copy, zip_uint64_t(bytes.size()), 1);
        if (zip_file_add(z, name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(src);
            zip_discard(z);
            return false;
        }
    }
    return zip_close(z) == 0;
}

sheets::Sheet sheetOf(const QString& name, const QList<QVariantList>& rows) {
    sheets::Sheet s;
    s.name = name;
    for (int i = 0; i < rows.size(); ++i)
        s.rows << sheets::Row{i + 1, rows[i]};
    return s;
}

const QVariantList kPaperHead{"code", "name", "chouti", "paixu", "kstime"};
const QVariantList kQuestionHead{"code", "tihao", "question", "authority", "score"};

} // namespace

class WorkbookTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { useRecordingDialogs(); }
    void exportThenImportGivesTheSameRows();
    void badRowsAreEachNamed_data();
    void badRowsAreEachNamed();
    void readsAnotherProgramsWorkbook();
    void unreadableFilesAreToldNotCrashedOn();
    void readsCsvFoldersInUtf8AndGbk();
    void addingToAnOpenBankReplacesOnlyWhenAsked();
    void commandLineMakesAndExportsBanks();
    void questionTypesTravelWithTheWorkbook();
};

void WorkbookTest::exportThenImportGivesTheSameRows() {
    QTemporaryDir out;
    // The demo bank.
    const QString demo = QStringLiteral(VELTARO_BINARY_DIR "/share/veltaro/ks.db");
    QVERIFY(QFileInfo::exists(demo));
    QCOMPARE(bankbook::exportBank(demo, out.filePath("demo.xlsx")), QString());
    const auto demoBack = bankbook::importToNewBank(out.filePath("demo.xlsx"), out.filePath("demo.db"));
    QVERIFY2(demoBack.ok, qPrintable(demoBack.error));
    QCOMPARE(bankRows(out.filePath("demo.db")), bankRows(demo));

    // 10,000 questions with every kind of value a bank holds: fractions, a Yes stored as -1,
    // awkward text, pictures, practice answers and exam answers.
    TestBank big;
    big.exec("begin");
    for (int p = 1; p <= 20; ++p) {
        const QString code = p == 1 ? QStringLiteral("A'1") : QString::number(p);
        big.addPaper(code, QStringLiteral("第%1套 \"引号\", 逗号").arg(p), 50, p % 2 == 0, 90);
        for (int n = 1; n <= 500; ++n)
            big.addQuestion(code, n, QStringLiteral("第%1题\n多行, \"引\"号 A.甲 B.乙").arg(n),
                            n % 7 == 0 ? QStringLiteral("对") : QStringLiteral("ACD"), n % 3 ? 1 : 0.5,
                            n % 50 ? QStringLiteral("") : QStringLiteral("\\pic\\%1.png").arg(n),
                            n % 4 ? QStringLiteral("") : QStringLiteral("B"),
                            QStringLiteral("解析 %1").arg(n));
        big.addAnswer(code, 1, QStringLiteral("AC"), QStringLiteral("2024%1").arg(p), QStringLiteral("张三"),
                      QStringLiteral("上午"));
    }
    big.exec("commit");
    QCOMPARE(big.scalar("select count(*) from 题库").toInt(), 10000);
    QCOMPARE(bankbook::exportBank(big.dbPath(), out.filePath("big.xlsx")), QString());
    // Never over an existing file.
    QVERIFY(!bankbook::exportBank(big.dbPath(), out.filePath("big.xlsx")).isEmpty());
    const auto bigBack = bankbook::importToNewBank(out.filePath("big.xlsx"), out.filePath("big.db"));
    QVERIFY2(bigBack.ok, qPrintable(bigBack.error));
    QCOMPARE(bankRows(out.filePath("big.db")), bankRows(big.dbPath()));
}

void WorkbookTest::badRowsAreEachNamed_data() {
    QTest::addColumn<QList<QVariantList>>("papers");
    QTest::addColumn<QList<QVariantList>>("questions");
    QTest::addColumn<QString>("expected");

    const QVariantList paper{"1", "卷一", 2.0, 1.0, 60.0};
    auto question = [](const QVariant& code, const QVariant& n, const QVariant& text, const QVariant& a,
                       const QVariant& score) {
        return QVariantList{code, n, text, a, score};
    };
    const QVariantList good = question("1", 1.0, "题干 A.甲 B.乙", "A", 1.0);

    QTest::newRow("missing column") << QList<QVariantList>{{"code", "name", "paixu", "kstime"}, paper}
                                    << QList<QVariantList>{kQuestionHead, good}
                                    << "工作表“试卷”第 1 行：缺少列 chouti（抽题）";
    QTest::newRow("column twice") << QList<QVariantList>{{"code", "试卷编码", "name", "chouti", "paixu",
                                                          "kstime"}}
                                  << QList<QVariantList>{kQuestionHead}
                                  << "工作表“试卷”第 1 行：列 code 出现了两次";
    QTest::newRow("code taken, any case")
        << QList<QVariantList>{kPaperHead, {"t4", "甲", 1.0, 1.0, 1.0}, {"T4", "乙", 1.0, 1.0, 1.0}}
        << QList<QVariantList>{kQuestionHead} << "工作表“试卷”第 3 行：试卷编码“T4”与第 2 行重复";
    QTest::newRow("order") << QList<QVariantList>{kPaperHead, {"1", "卷一", 2.0, "有时", 60.0}}
                           << QList<QVariantList>{kQuestionHead}
                           << "工作表“试卷”第 2 行：排序只能是 1/0、是/否、顺序/随机 或 TRUE/FALSE：“有时”";
    QTest::newRow("time not a number")
        << QList<QVariantList>{kPaperHead, {"1", "卷一", 2.0, 1.0, "一小时"}}
        << QList<QVariantList>{kQuestionHead} << "工作表“试卷”第 2 行：考试时间不是数字：“一小时”";
    QTest::newRow("empty name") << QList<QVariantList>{kPaperHead, {"1", " ", 2.0, 1.0, 60.0}}
                                << QList<QVariantList>{kQuestionHead}
                                << "工作表“试卷”第 2 行：试卷名称不能为空";
    QTest::newRow("number a fraction")
        << QList<QVariantList>{kPaperHead, paper}
        << QList<QVariantList>{kQuestionHead, question("1", 1.5, "x", "A", 1.0)}
        << "工作表“题库”第 2 行：题号必须是整数";
    QTest::newRow("number zero") << QList<QVariantList>{kPaperHead, paper}
                                 << QList<QVariantList>{kQuestionHead, question("1", 0.0, "x", "A", 1.0)}
                                 << "工作表“题库”第 2 行：题号不能小于 1";
    QTest::newRow("number twice") << QList<QVariantList>{kPaperHead, paper}
                                  << QList<QVariantList>{kQuestionHead, good, good}
                                  << "工作表“题库”第 3 行：试卷“1”的第 1 题与第 2 行重复";
    QTest::newRow("number twice, faulty too")
        << QList<QVariantList>{kPaperHead, paper}
        << QList<QVariantList>{kQuestionHead, good, question("1", 1.0, "x", "H", 1.0)}
        << "工作表“题库”第 3 行：试卷“1”的第 1 题与第 2 行重复";
    QTest::newRow("paper not there") << QList<QVariantList>{kPaperHead, paper}
                                     << QList<QVariantList>{kQuestionHead, question("9", 1.0, "x", "A", 1.0)}
                                     << "工作表“题库”第 2 行：试卷编码“9”在工作表“试卷”中没有";
    QTest::newRow("answer letter") << QList<QVariantList>{kPaperHead, paper}
                                   << QList<QVariantList>{kQuestionHead, question("1", 1.0, "x", "AH", 1.0)}
                                   << "工作表“题库”第 2 行：标准答案只能由 A–G 组成，或者是“对”或“错”";
    QTest::newRow("answer mixed") << QList<QVariantList>{kPaperHead, paper}
                                  << QList<QVariantList>{kQuestionHead, question("1", 1.0, "x", "对A", 1.0)}
                                  << "工作表“题库”第 2 行：标准答案只能由 A–G 组成，或者是“对”或“错”";
    QTest::newRow("answer repeated") << QList<QVariantList>{kPaperHead, paper}
                                     << QList<QVariantList>{kQuestionHead,
                                                            question("1", 1.0, "x", "a b a", 1.0)}
                                     << "工作表“题库”第 2 行：标准答案中的 A 重复了";
    QTest::newRow("answer empty") << QList<QVariantList>{kPaperHead, paper}
                                  << QList<QVariantList>{kQuestionHead,
                                                         question("1", 1.0, "x", QVariant(), 1.0)}
                                  << "工作表“题库”第 2 行：标准答案不能为空";
    QTest::newRow("mark below zero") << QList<QVariantList>{kPaperHead, paper}
                                     << QList<QVariantList>{kQuestionHead, question("1", 1.0, "x", "A", -1.0)}
                                     << "工作表“题库”第 2 行：分值不能小于 0";
    QTest::newRow("mark empty") << QList<QVariantList>{kPaperHead, paper}
                                << QList<QVariantList>{kQuestionHead,
                                                       question("1", 1.0, "x", "A", QVariant())}
                                << "工作表“题库”第 2 行：分值不能为空";
    QTest::newRow("not GBK") << QList<QVariantList>{kPaperHead, paper}
                             << QList<QVariantList>{kQuestionHead, question("1", 1.0, "x²", "A", 1.0)}
                             << "工作表“题库”第 2 行：题目中有 GBK 编码之外的字符";
}

void WorkbookTest::badRowsAreEachNamed() {
    QFETCH(QList<QVariantList>, papers);
    QFETCH(QList<QVariantList>, questions);
    QFETCH(QString, expected);
    sheets::Workbook book;
    book.sheets << sheetOf("试卷", papers) << sheetOf("题库", questions);
    const bankbook::ReadResult r = bankbook::readTables(book);
    QVERIFY(!r.ok());
    QVERIFY2(r.report().split('\n').contains(expected), qPrintable(r.report()));
}

void WorkbookTest::readsAnotherProgramsWorkbook() {
    // Sheets listed in another order and found through relationships with absolute targets;
    // shared strings with runs and a phonetic guide; inline strings; numbers with a date style;
    // truth values; rows and cells without addresses; empty cells left out; Chinese headings in
    // another order and an extra column.
    const QByteArray ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                          "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
    const QByteArray rels =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"a\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
        "worksheet\" Target=\"/xl/worksheets/q.xml\"/>"
        "<Relationship Id=\"b\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
        "worksheet\" Target=\"worksheets/p.xml\"/>"
        "<Relationship Id=\"c\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
        "sharedStrings\" Target=\"strings.xml\"/></Relationships>";
    const QByteArray workbook =
        "<workbook " + ns +
        "><sheets><sheet name=\"说明\" sheetId=\"3\" r:id=\"x\"/>"
        "<sheet name=\"题库\" sheetId=\"2\" r:id=\"a\"/><sheet name=\"试卷\" sheetId=\"1\" "
        "r:id=\"b\"/></sheets></workbook>";
    const QByteArray strings =
        "<sst " + ns +
        "><si><t>试卷编码</t></si><si><r><rPr><b/></rPr><t>试卷</t></r>"
        "<r><t xml:space=\"preserve\">名称</t></r></si><si><t>会计</t><rPh><t>kuaiji</t></rPh>"
        "</si><si><t>T1</t></si></sst>";
    const QByteArray papers =
        "<worksheet " + ns +
        "><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v>"
        "</c><c t=\"inlineStr\"><is><t>排序</t></is></c><c t=\"inlineStr\"><is><t>抽题</t></is></c>"
        "<c t=\"inlineStr\"><is><t>考试时间</t></is></c><c t=\"inlineStr\"><is><t>备注</t></is></c></row>"
        "<row r=\"3\"><c r=\"A3\" t=\"s\"><v>3</v></c><c r=\"B3\" t=\"s\"><v>2</v></c><c r=\"C3\" "
        "t=\"b\"><v>0</v>"
        "</c><c r=\"D3\"><v>5</v></c><c r=\"E3\" s=\"1\"><v>4.5E1</v></c></row></sheetData></worksheet>";
    const QByteArray questions =
        "<worksheet " + ns +
        "><sheetData><row><c t=\"inlineStr\"><is><t>题号</t></is></c>"
        "<c t=\"inlineStr\"><is><t>code</t></is></c><c t=\"inlineStr\"><is><t>分值</t></is></c>"
        "<c t=\"inlineStr\"><is><t>标准答案</t></is></c><c t=\"inlineStr\"><is><t>题目</t></is></c>"
        "<c t=\"inlineStr\"><is><t>图片</t></is></c></row>"
        "<row><c><v>1</v></c><c t=\"s\"><v>3</v></c><c><v>0.5</v></c><c t=\"str\"><f>\"b\"&amp;\"a\"</f><v>b "
        "a</v>"
        "</c><c t=\"inlineStr\"><is><r><t>借贷 </t></r><r><t>A.对 B.错</t></r></is></c></row>"
        "<row r=\"4\"><c r=\"A4\"><v>2</v></c><c r=\"B4\" t=\"s\"><v>3</v></c><c r=\"C4\"><v>1</v></c>"
        "<c r=\"D4\" t=\"inlineStr\"><is><t>对</t></is></c><c r=\"E4\" t=\"inlineStr\"><is><t>x</t></is></c>"
        "<c r=\"F4\" t=\"inlineStr\"><is><t>\\pic\\2.png</t></is></c></row></sheetData></worksheet>";
    QTemporaryDir dir;
    const QString file = dir.filePath("other.xlsx");
    QVERIFY(writeZip(file,
                     {{"_rels/.rels", "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                                      "relationships\"><Relationship Id=\"r\" Type=\"http://schemas."
                                      "openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                                      "Target=\"xl/workbook.xml\"/></Relationships>"},
                      {"xl/workbook.xml", workbook},
                      {"xl/_rels/workbook.xml.rels", rels},
                      {"xl/strings.xml", strings},
                      {"xl/worksheets/p.xml", papers},
                      {"xl/worksheets/q.xml", questions}}));
    const bankbook::ReadResult r = bankbook::readBankFile(file);
    QVERIFY2(r.ok(), qPrintable(r.report()));
    QCOMPARE(r.tables.papers.size(), 1);
    const bank::Paper& p = r.tables.papers[0];
    QCOMPARE(bank::values(p), (QVariantList{"T1", "会计", qint64(5), qint64(0), qint64(45)}));
    QCOMPARE(r.tables.questions.size(), 2);
    QCOMPARE(bank::values(r.tables.questions[0]),
             (QVariantList{"T1", qint64(1), "借贷 A.对 B.错", "", "BA", "", "", 0.5, ""}));
    QCOMPARE(r.tables.questions[1].authority, QString("对"));
    QCOMPARE(r.tables.questions[1].pic, QString("\\pic\\2.png"));
}

void WorkbookTest::unreadableFilesAreToldNotCrashedOn() {
    QTemporaryDir dir;
    QFile junk(dir.filePath("junk.xlsx"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("PK\x03\x04 not really a zip");
    junk.close();
    QVERIFY(bankbook::readBankFile(junk.fileName()).error.contains("junk.xlsx 不是可以读取的 .xlsx 工作簿"));
    // A zip without a workbook; one whose sheet is not XML; one without the question sheet.
    const QString empty = dir.filePath("empty.xlsx");
    QVERIFY(writeZip(empty, {{"hello.txt", "hi"}}));
    QVERIFY(bankbook::readBankFile(empty).error.contains("缺少部件 xl/workbook.xml"));
    const QByteArray wb = "<workbook><sheets><sheet name=\"试卷\"/></sheets></workbook>";
    QVERIFY(writeZip(empty,
                     {{"xl/workbook.xml", wb}, {"xl/worksheets/sheet1.xml", "<worksheet><sheetData><row>"}}));
    QVERIFY(bankbook::readBankFile(empty).error.contains("工作表“试卷”：XML 有错"));
    QVERIFY(writeZip(empty, {{"xl/workbook.xml", wb}, {"xl/worksheets/sheet1.xml", "<worksheet/>"}}));
    const auto r = bankbook::readBankFile(empty);
    QVERIFY2(r.report().contains("工作表“题库”：找不到这个工作表"), qPrintable(r.report()));
    // Nothing is made from a file with a problem.
    QVERIFY(!bankbook::importToNewBank(empty, dir.filePath("ks.db")).ok);
    QVERIFY(!QFileInfo::exists(dir.filePath("ks.db")));
}

void WorkbookTest::readsCsvFoldersInUtf8AndGbk() {
    QTemporaryDir dir;
    auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    write("试卷.csv", "\xEF\xBB\xBF试卷编码,试卷名称,抽题,排序,考试时间\r\n1,\"会计, 第一套\",2,是,60\r\n"
                      "2,税法,1,随机,30\r\n\r\n");
    write("题库.csv", gbk::encode("code,tihao,question,authority,score,jiexi\n"
                                  "1,1,\"多行\n题目 \"\"引号\"\" A.甲\",a c,1,\n"
                                  "1,2,题二,错,0.5,解析\n2,1,题三,B,2,\n"));
    const bankbook::ReadResult r = bankbook::readBankFile(dir.path());
    QVERIFY2(r.ok(), qPrintable(r.report()));
    QCOMPARE(bank::values(r.tables.papers[0]),
             (QVariantList{"1", "会计, 第一套", qint64(2), qint64(1), qint64(60)}));
    QCOMPARE(r.tables.papers[1].paixu, QVariant(qint64(0)));
    QCOMPARE(r.tables.questions.size(), 3);
    QCOMPARE(r.tables.questions[0].question, QString("多行\n题目 \"引号\" A.甲"));
    QCOMPARE(r.tables.questions[0].authority, QString("AC"));
    QCOMPARE(r.tables.questions[1].authority, QString("错"));
    QCOMPARE(r.tables.questions[1].jiexi, QString("解析"));
    // Rows are counted as the records of the file, a quoted line break inside one.
    write("题库.csv", "code,tihao,question,authority,score\n1,1,\"a\nb\",A,1\n1,x,q,A,1\n");
    QCOMPARE(bankbook::readBankFile(dir.path()).report(), QString("工作表“题库”第 3 行：题号不是数字：“x”"));
}

void WorkbookTest::addingToAnOpenBankReplacesOnlyWhenAsked() {
    TestBank bank;
    bank.addNumberedPaper("1", "旧卷", 3, 3, true, 60);
    bank.addAnswer("1", 2, "A", "s1", "张三", "上午");
    bank.addNumberedPaper("7", "别的卷", 1, 1, true, 60);
    Store store;
    QCOMPARE(store.open(bank.dbPath()), Store::OpenResult::Ok);
    bank::Tables t;
    t.papers << bank::Paper{"1", "新卷", qint64(1), qint64(0), qint64(30)}
             << bank::Paper{"2", "另一卷", qint64(1), qint64(1), qint64(30)};
    t.questions << bank::Question{"1", qint64(1), "新题", QString(), "B", QString(), QString(), qint64(2)};
    QCOMPARE(bank::existingCodes(store, t), QStringList{"1"});
    QCOMPARE(bank::addTables(store, t, false), QString("题库中已有这些编码的试卷：1"));
    QCOMPARE(bank.scalar("select name from 试卷 where code='1'").toString(), QString("旧卷"));
    QCOMPARE(bank.scalar("select count(*) from 试卷").toInt(), 2);
    QCOMPARE(bank::addTables(store, t, true), QString());
    QCOMPARE(bank.scalar("select name from 试卷 where code='1'").toString(), QString("新卷"));
    QCOMPARE(bank.scalar("select count(*) from 题库 where code='1'").toInt(), 1);
    QCOMPARE(bank.scalar("select count(*) from 评分").toInt(), 0);
    QCOMPARE(bank.scalar("select count(*) from 题库 where code='7'").toInt(), 1);
    // Empty texts are stored as empty texts, as in every other row of the bank.
    QCOMPARE(bank.scalar("select count(*) from 题库 where code='1' and (pic is null or practice is null or "
                         "jiexi is null)")
                 .toInt(),
             0);
    // A failure half-way leaves the bank as it was.
    bank.exec("create trigger refuse before insert on 题库 begin select raise(abort, 'refused'); end");
    t.papers = {bank::Paper{"3", "第三卷", qint64(1), qint64(1), qint64(30)}};
    t.questions = {bank::Question{"3", qint64(1), "题", "", "A", "", "", qint64(1)}};
    QVERIFY(bank::addTables(store, t, true).contains("没有导入，题库没有改动"));
    QCOMPARE(bank.scalar("select count(*) from 试卷 where code='3'").toInt(), 0);
}

void WorkbookTest::commandLineMakesAndExportsBanks() {
    const QString tool = QStringLiteral(VELTARO_BINARY_DIR "/app/veltaro-import");
    if (!QFileInfo::exists(tool))
        QSKIP("veltaro-import is not built");
    auto run = [&](const QStringList& args, QString* out) {
        QProcess p;
        p.start(tool, args);
        p.waitForFinished(60000);
        *out = QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    TestBank bank;
    bank.addNumberedPaper("1", "卷一", 3, 3, true, 60);
    // A missing text comes back as an empty one.
    bank.exec("update 题库 set pic='', practice=''");
    QTemporaryDir dir;
    QString out;
    QCOMPARE(run({"--export", bank.dbPath(), dir.filePath("b.xlsx")}, &out), 0);
    QVERIFY(run({"--export", bank.dbPath(), dir.filePath("b.xlsx")}, &out) != 0);
    QCOMPARE(run({dir.filePath("b.xlsx"), dir.filePath("ks.db")}, &out), 0);
    QVERIFY2(out.contains("题库\t3"), qPrintable(out));
    QCOMPARE(bankRows(dir.filePath("ks.db")), bankRows(bank.dbPath()));
    // A folder of CSV files with a bad row: every row named, nothing made.
    QDir(dir.path()).mkdir("csv");
    QFile papers(dir.filePath("csv/试卷.csv"));
    QVERIFY(papers.open(QIODevice::WriteOnly));
    papers.write("code,name,chouti,paixu,kstime\n1,卷,1,1,60\n");
    papers.close();
    QFile questions(dir.filePath("csv/题库.csv"));
    QVERIFY(questions.open(QIODevice::WriteOnly));
    questions.write("code,tihao,question,authority,score\n1,1,q,Z,1\n1,2,q,A,-2\n");
    questions.close();
    QVERIFY(run({dir.filePath("csv"), dir.filePath("csv.db")}, &out) != 0);
    QVERIFY2(out.contains("工作表“题库”第 2 行") && out.contains("工作表“题库”第 3 行"), qPrintable(out));
    QVERIFY(!QFileInfo::exists(dir.filePath("csv.db")));
}

void WorkbookTest::questionTypesTravelWithTheWorkbook() {
    QTemporaryDir dir;
    // The demo bank's questions got the types their answers imply when it was made.
    QStringList demoTypes;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("demo"));
        db.setDatabaseName(QStringLiteral(VELTARO_BINARY_DIR "/share/veltaro/ks.db"));
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("select tixing, count(*) from 题库 group by tixing order by tixing"));
        while (q.next())
            demoTypes << q.value(0).toString() + q.value(1).toString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("demo"));
    QCOMPARE(demoTypes, (QStringList{"判断12", "单选31", "多选16"}));

    bank::Tables t;
    t.papers << bank::Paper{"1", "甲", qint64(2), qint64(1), qint64(60)};
    t.questions << bank::Question{"1", qint64(1), "题 A.甲 B.乙", "", "A", "", "", qint64(1), "不定项"}
                << bank::Question{"1", qint64(2), "判断题", "", "对", "", "", qint64(1), ""};
    const QString book = dir.filePath("types.xlsx");
    QCOMPARE(bankbook::writeWorkbook(book, t, false), QString());
    const bankbook::ReadResult back = bankbook::readBankFile(book);
    QVERIFY2(back.ok(), qPrintable(back.report()));
    QCOMPARE(back.tables.questions[0].tixing, QString("不定项"));
    QCOMPARE(back.tables.questions[1].tixing, QString());

    // In a CSV folder under its Chinese heading; a type that does not fit its answer is named.
    QDir(dir.path()).mkdir("csv");
    auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath("csv/" + name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    write("试卷.csv", "code,name,chouti,paixu,kstime\n1,甲,3,1,60\n");
    write("题库.csv", "试卷编码,题号,题目,标准答案,分值,题型\n1,1,题 A.甲 B.乙,A,1,单选\n"
                      "1,2,题 A.甲 B.乙,AB,1,单选\n1,3,题,对,1,填空\n1,4,题,错,1,\n");
    const bankbook::ReadResult csv = bankbook::readBankFile(dir.filePath("csv"));
    QCOMPARE(csv.report(),
             QString("工作表“题库”第 3 行：单选题只能有一个标准答案，这里是 AB\n"
                     "工作表“题库”第 4 行：题型只能是 单选、多选、判断、不定项，或者空着（按标准答案判断）"));
    QCOMPARE(csv.tables.questions[0].tixing, QString("单选"));
    QCOMPARE(csv.tables.questions[3].tixing, QString());
}

QTEST_MAIN(WorkbookTest)
#include "test_workbook.moc"
