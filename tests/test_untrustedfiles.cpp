// Files a user brings, made to hurt: workbooks nested 100,000 deep, rows reaching column XFD, a
// shared-strings part of 50 million items, many big sheets, CSV files of one endless record or
// field, picture names that point out of pic/. They are generated here, small on disk (the big
// parts are written as they are compressed). Each is refused with a Chinese message under the
// read's limits, in the program's reading and through the import tool's child as the bank window
// runs it; 取消 stops a long read; files in pieces read as they do whole; and no picture outside
// pic/ is kept or opened.
#include "TestSupport.h"

#include "answering/PracticeWindow.h"
#include "app/MainWindow.h"
#include "bank/BankWindow.h"
#include "bank/BankWorkbook.h"
#include "bank/ImportFiles.h"
#include "questions/QuestionText.h"
#include "access/ChildImport.h"
#include "ui/Gbk.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <zip.h>

namespace {

// A part of a package: head, then body count times, then tail, made only as it is compressed.
struct Part {
    QString name;
    QByteArray head, body, tail;
    qint64 count = 0;
};

struct Repeat {
    QByteArray head, body, tail;
    qint64 count = 0;
    qint64 at = 0; // bytes given so far
    qint64 size() const { return head.size() + body.size() * count + tail.size(); }
};

zip_int64_t repeatSource(void* state, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* r = static_cast<Repeat*>(state);
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        r->at = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        char* out = static_cast<char*>(data);
        zip_uint64_t n = 0;
        const qint64 bodyEnd = r->head.size() + r->body.size() * r->count;
        while (n < len && r->at < r->size()) {
            // The rest of the head, of one body, or of the tail, as much as fits.
            const QByteArray& from = r->at < r->head.size() ? r->head : r->at < bodyEnd ? r->body : r->tail;
            const qint64 offset = r->at < r->head.size() ? r->at
                                  : r->at < bodyEnd      ? (r->at - r->head.size()) % r->body.size()
                                                         : r->at - bodyEnd;
            const qint64 take = qMin<qint64>(from.size() - offset, qint64(len - n));
            memcpy(out + n, from.constData() + offset, size_t(take));
            n += zip_uint64_t(take);
            r->at += take;
        }
        return zip_int64_t(n);
    }
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* st = static_cast<zip_stat_t*>(data);
        zip_stat_init(st);
        st->size = zip_uint64_t(r->size());
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(*st);
    }
    case ZIP_SOURCE_ERROR:
        return 2 * sizeof(int);
    case ZIP_SOURCE_FREE:
        delete r;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        return -1;
    }
}

bool writePackage(const QString& path, const QList<Part>& parts) {
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z)
        return false;
    for (const Part& p : parts) {
        zip_source_t* src = zip_source_function(
            z, repeatSource, new Repeat{p.head, p.body, p.tail, p.body.isEmpty() ? 0 : p.count});
        const zip_int64_t index =
            src ? zip_file_add(z, p.name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            zip_source_free(src);
            zip_discard(z);
            return false;
        }
        zip_set_file_compression(z, zip_uint64_t(index), ZIP_CM_DEFLATE, 1); // quick: the parts repeat
    }
    return zip_close(z) == 0;
}

Part whole(const QString& name, const QByteArray& xml) {
    return Part{name, xml, {}, {}, 0};
}

QByteArray workbookXml(const QStringList& sheets) {
    QByteArray xml = "<workbook><sheets>";
    for (const QString& s : sheets)
        xml += "<sheet name=\"" + s.toUtf8() + "\"/>";
    return xml + "</sheets></workbook>";
}

const QByteArray kPaperSheet = "<worksheet><sheetData><row><c t=\"inlineStr\"><is><t>code</t></is></c>"
                               "<c t=\"inlineStr\"><is><t>name</t></is></c></row></sheetData></worksheet>";

QString lastText() {
    return MessageBox::shown().isEmpty() ? QString() : MessageBox::shown().last().text;
}

} // namespace

class UntrustedFilesTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void init() {
        useRecordingDialogs();
        bankimport::setImportTool(QStringLiteral(VELTARO_IMPORT_TOOL));
    }
    void cleanup() { BankWindow::setWorkbookChooser({}); }
    void craftedFilesAreRefusedWithinTheirLimits_data();
    void craftedFilesAreRefusedWithinTheirLimits();
    void theBankWindowSurvivesThemAndCancels();
    void theToolRunByHandReadsInItsChild();
    void filesReadInPiecesAsTheyDoWhole();
    void picturesOutsidePicAreNeitherKeptNorOpened();

  private:
    QTemporaryDir m_files;
};

void UntrustedFilesTest::initTestCase() {
    const QString wb = QStringLiteral("xl/workbook.xml");
    const QString s1 = QStringLiteral("xl/worksheets/sheet1.xml"),
                  s2 = QStringLiteral("xl/worksheets/sheet2.xml");
    const QStringList two{QStringLiteral("试卷"), QStringLiteral("题库")};
    // 100,000 elements inside one another in a cell value: the reader recursed and crashed.
    QVERIFY(writePackage(m_files.filePath("deep.xlsx"),
                         {whole(wb, workbookXml(two)), whole(s1, kPaperSheet),
                          Part{s2, "<worksheet><sheetData><row><c><v>", "<x>", {}, 100000}}));
    // 20,000 rows with one cell in column XFD: each row was 16,384 cells in memory.
    QVERIFY(writePackage(m_files.filePath("wide.xlsx"),
                         {whole(wb, workbookXml(two)), whole(s1, kPaperSheet),
                          Part{s2, "<worksheet><sheetData>", "<row><c r=\"XFD1\"><v>1</v></c></row>",
                               "</sheetData></worksheet>", 20000}}));
    // 50 million empty shared strings.
    QVERIFY(writePackage(m_files.filePath("strings.xlsx"),
                         {whole(wb, workbookXml(two)), whole(s1, kPaperSheet), whole(s2, kPaperSheet),
                          Part{"xl/sharedStrings.xml", "<sst>", "<si/>", "</sst>", 50000000}}));
    // The sheets the bank reads, the first two 100 MB of long texts each, and twenty big sheets it
    // does not read.
    QStringList many{QStringLiteral("试卷"), QStringLiteral("题库"), QStringLiteral("评分"),
                     QStringLiteral("练习记录")};
    for (int i = 0; i < 20; ++i)
        many << QStringLiteral("附表%1").arg(i);
    QList<Part> sheets{whole(wb, workbookXml(many))};
    const QByteArray cell = "<c t=\"inlineStr\"><is><t>" + QByteArray(1000, 'x') + "</t></is></c>";
    for (int i = 0; i < many.size(); ++i)
        sheets << Part{QStringLiteral("xl/worksheets/sheet%1.xml").arg(i + 1), "<worksheet><sheetData>",
                       "<row>" + cell.repeated(10) + "</row>", "</sheetData></worksheet>",
                       i < 2 ? 10000 : 1000};
    QVERIFY(writePackage(m_files.filePath("sheets.xlsx"), sheets));
    // One cell of 20 MB of markup without an end.
    QVERIFY(writePackage(m_files.filePath("piece.xlsx"),
                         {whole(wb, workbookXml(two)), whole(s1, kPaperSheet),
                          Part{s2, "<worksheet><sheetData><row><c><v a=\"", "aaaaaaaaaa", {}, 2000000}}));
    // CSV folders: one record of 10 million empty fields (320 MB as cells); one field of 10
    // million characters, for a read allowed 8 MB.
    auto csvFolder = [&](const QString& name, const QByteArray& papers, qint64 count,
                         const QByteArray& piece) {
        QDir(m_files.path()).mkdir(name);
        QFile f(m_files.filePath(name + "/试卷.csv"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(papers);
        const QByteArray block = piece.repeated(1 << 16);
        for (qint64 done = 0; done < count; done += block.size() / piece.size())
            f.write(block);
        QFile q(m_files.filePath(name + "/题库.csv"));
        QVERIFY(q.open(QIODevice::WriteOnly));
        q.write("code,tihao,question,authority,score\n");
    };
    csvFolder("commas", "code,name\n", 10000000, ",");
    csvFolder("field", "code,name\n1,\"", 10000000, "x");
}

void UntrustedFilesTest::craftedFilesAreRefusedWithinTheirLimits_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("told");
    QTest::addColumn<qint64>("kept"); // what the read may keep; 0: as the program reads
    const QString full = QStringLiteral("太大，无法读取（内容太多：读入内存的单元格和文字超过了 256 MB）");
    QTest::newRow("nested 100,000 deep")
        << "deep.xlsx" << QStringLiteral("工作表“题库”：XML 嵌套超过 64 层") << qint64(0);
    QTest::newRow("rows to column XFD") << "wide.xlsx" << full << qint64(0);
    QTest::newRow("50 million shared strings") << "strings.xlsx" << full << qint64(0);
    QTest::newRow("many big sheets") << "sheets.xlsx" << full << qint64(0);
    QTest::newRow("markup without end") << "piece.xlsx" << QStringLiteral("有一段内容过长") << qint64(0);
    QTest::newRow("endless CSV record")
        << "commas" << QStringLiteral("内容太多：读入内存的单元格和文字超过了 256 MB") << qint64(0);
    QTest::newRow("endless CSV field")
        << "field" << QStringLiteral("内容太多：读入内存的单元格和文字超过了 8 MB") << qint64(8 << 20);
}

// Each is refused in the reading itself, having kept no more than the read allows, and through
// the import tool's child: there the same message comes back, so the child stayed within its
// memory limit (1 GiB) and ended by itself, and nothing is left behind.
void UntrustedFilesTest::craftedFilesAreRefusedWithinTheirLimits() {
    QFETCH(QString, file);
    QFETCH(QString, told);
    QFETCH(qint64, kept);
    const QString path = m_files.filePath(file);
    sheets::ReadLimits limits;
    if (kept > 0)
        limits.keptBytes = kept;
    sheets::Budget budget(limits);
    const bankbook::ReadResult read = bankbook::readBankFile(path, budget);
    QVERIFY2(read.error.contains(told), qPrintable(read.report()));
    QVERIFY(read.tables.questions.isEmpty());
    QVERIFY(budget.kept() <= limits.keptBytes + limits.pieceBytes);
    QVERIFY(budget.unpacked() <= budget.limits().unpackedBytes);
    if (file == QLatin1String("sheets.xlsx")) // the sheets the bank does not use are never unpacked
        QVERIFY(budget.unpacked() < 3 * 110 * 1000 * 1000);
    if (kept > 0)
        return;

    QTemporaryDir out;
    const bankimport::ImportResult made = bankimport::importInChild(
        bankimport::importTool(), path, out.filePath("ks.db"), {}, bankimport::importLimits());
    QVERIFY(!made.ok);
    QVERIFY2(made.error.contains(told), qPrintable(made.error));
    QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
}

// "导入…" on such a file tells it and leaves the bank as it was; 取消 in the progress dialog stops
// a long read at once; a good workbook still comes in.
void UntrustedFilesTest::theBankWindowSurvivesThemAndCancels() {
    TestBank tb;
    tb.addNumberedPaper("1", "卷一", 2, 2, true, 60);
    MainWindow w(tb.dir());
    pressToolbar(w, "题库");
    BankWindow* bank = w.bankWindow();
    QVERIFY(bank);
    QString chosen = m_files.filePath("wide.xlsx");
    BankWindow::setWorkbookChooser([&](QWidget*, bool) { return chosen; });
    bank->导入按钮->click();
    QVERIFY2(lastText().startsWith("wide.xlsx 中有问题，没有导入任何内容") && lastText().contains("256 MB"),
             qPrintable(lastText()));
    chosen = m_files.filePath("deep.xlsx");
    bank->导入按钮->click();
    QVERIFY2(lastText().contains("XML 嵌套超过 64 层"), qPrintable(lastText()));

    // The shared strings take seconds to reach their limit: 取消 as soon as the dialog shows.
    chosen = m_files.filePath("strings.xlsx");
    bool clicked = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
        auto* dialog = bank->findChild<QProgressDialog*>(QStringLiteral("导入进度框"));
        if (!clicked && dialog && dialog->isVisible()) {
            clicked = true;
            for (QPushButton* b : dialog->findChildren<QPushButton*>())
                if (b->text() == QStringLiteral("取消"))
                    b->click();
        }
    });
    watch.start(50);
    bank->导入按钮->click();
    watch.stop();
    QVERIFY(clicked);
    QCOMPARE(lastText(), QString("已取消导入 strings.xlsx，没有导入任何内容。"));
    QCOMPARE(tb.rows("select code, name from 试卷"), (QList<QVariantList>{{"1", "卷一"}}));
    QCOMPARE(tb.scalar("select count(*) from 题库").toInt(), 2);

    // A folder with 1,500 bad rows: the first 20 are named, and how many more there are.
    QTemporaryDir csv;
    QFile papers(csv.filePath("试卷.csv")), questions(csv.filePath("题库.csv"));
    QVERIFY(papers.open(QIODevice::WriteOnly) && questions.open(QIODevice::WriteOnly));
    papers.write("code,name,chouti,paixu,kstime\n9,卷,1,1,30\n");
    questions.write("code,tihao,question,authority,score\n");
    for (int i = 1; i <= 1500; ++i)
        questions.write(QByteArray("9,") + QByteArray::number(i) + ",题,Z,1\n");
    papers.close();
    questions.close();
    chosen = csv.path();
    bank->导入按钮->click();
    const QStringList lines = lastText().split('\n');
    QCOMPARE(lines.size(), 22);
    QCOMPARE(lines[1], QString("工作表“题库”第 2 行：标准答案只能由 A–G 组成，或者是“对”或“错”"));
    QCOMPARE(lines[21], QString("……另有 1480 处问题。"));

    bank::Tables t;
    t.papers << bank::Paper{"2", "第二卷", qint64(1), qint64(1), qint64(30)};
    t.questions << bank::Question{"2", qint64(1), "题", "\\pic\\1.png", "A", "", "", qint64(1)};
    QCOMPARE(bankbook::writeWorkbook(m_files.filePath("good.xlsx"), t, false), QString());
    chosen = m_files.filePath("good.xlsx");
    bank->导入按钮->click();
    QVERIFY2(lastText().startsWith("已从 good.xlsx 导入 1 套试卷、1 道题目"), qPrintable(lastText()));
    QCOMPARE(tb.scalar("select pic from 题库 where code='2'").toString(), QString("\\pic\\1.png"));
}

// veltaro-import by hand reads the same files in its child: it tells what it could not read, in
// Chinese, and exits non-zero; a good workbook passes its check and imports.
void UntrustedFilesTest::theToolRunByHandReadsInItsChild() {
    QTemporaryDir out;
    auto run = [&](const QStringList& args, QString* text) {
        QProcess p;
        p.start(QStringLiteral(VELTARO_IMPORT_TOOL), args);
        p.waitForFinished(120000);
        *text = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    QString text;
    QCOMPARE(run({m_files.filePath("wide.xlsx"), out.filePath("ks.db")}, &text), 1);
    QVERIFY2(text.contains("wide.xlsx 太大，无法读取"), qPrintable(text));
    QCOMPARE(run({"--check", m_files.filePath("deep.xlsx")}, &text), 1);
    QVERIFY2(text.contains("XML 嵌套超过 64 层") && text.contains("检查没有通过"), qPrintable(text));
    QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());

    bank::Tables t;
    t.papers << bank::Paper{"1", "卷", qint64(1), qint64(1), qint64(30)};
    t.questions << bank::Question{"1", qint64(1), "题", "", "A", "", "", qint64(1)}
                << bank::Question{"1", qint64(2), "题", "", "B", "", "", qint64(1)};
    QCOMPARE(bankbook::writeWorkbook(out.filePath("ok.xlsx"), t, false), QString());
    QCOMPARE(run({"--check", out.filePath("ok.xlsx")}, &text), 0);
    QVERIFY2(text.contains("题库\t2") && text.contains("ok.xlsx 可以完整读取：4 张表，共 3 行。"),
             qPrintable(text));
    QCOMPARE(run({out.filePath("ok.xlsx"), out.filePath("ks.db")}, &text), 0);
    QVERIFY2(text.contains("已从 ") && text.contains("题库\t2"), qPrintable(text));

    QCOMPARE(run({"--help"}, &text), 0);
    QVERIFY2(text.startsWith("用法：veltaro-import") && text.contains("--check") && !text.contains("usage"),
             qPrintable(text));
}

// A CSV file is read 64 KiB at a time: characters, quotes and line ends cut at a piece's edge
// come out as they do from the whole file, in UTF-8 and in GBK.
void UntrustedFilesTest::filesReadInPiecesAsTheyDoWhole() {
    QTemporaryDir dir;
    for (int shift = 0; shift < 4; ++shift) {
        QString text = QStringLiteral("code,name,chouti\r\n");
        text += QString(65536 - 18 - shift, QLatin1Char('x')); // the next characters straddle the edge
        text += QStringLiteral("题,\"引\"\"号\r\n换行\",会计\r\n2,\"\",\r\n,,\r\n3,末尾\"");
        for (const bool utf8 : {true, false}) {
            const QByteArray bytes = utf8 ? text.toUtf8() : gbk::encode(text);
            QFile f(dir.filePath("试卷.csv"));
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(bytes);
            f.close();
            sheets::Budget budget;
            sheets::Sheet pieces;
            QVERIFY(sheets::readCsv(f.fileName(), "试卷", budget, &pieces));
            const sheets::Sheet once = sheets::parseCsv(bytes, "试卷");
            QCOMPARE(pieces.rows.size(), once.rows.size());
            for (int i = 0; i < once.rows.size(); ++i) {
                QCOMPARE(pieces.rows[i].number, once.rows[i].number);
                QCOMPARE(pieces.rows[i].cells, once.rows[i].cells);
            }
            QCOMPARE(once.rows[1].cells.value(1).toString(), QString("引\"号\r\n换行"));
        }
    }
}

void UntrustedFilesTest::picturesOutsidePicAreNeitherKeptNorOpened() {
    // Only names of files inside pic/ are kept; every other row is refused with its reason.
    const QStringList bad{"\\pic\\..\\..\\..\\etc\\passwd",
                          "/tmp/x.png",
                          "C:\\Windows\\win.ini",
                          "\\\\server\\share\\x.png",
                          "file:///etc/passwd",
                          "\\pic\\",
                          "pic.png"};
    const QStringList good{"\\pic\\1.png", "pic/1.png", "\\PIC\\子目录\\图 1.png", ""};
    bank::Tables t;
    t.papers << bank::Paper{"1", "卷", qint64(1), qint64(1), qint64(30)};
    for (int i = 0; i < bad.size() + good.size(); ++i)
        t.questions << bank::Question{"1", qint64(i + 1), "题", (bad + good)[i], "A", "", "", qint64(1)};
    QTemporaryDir dir;
    QCOMPARE(bankbook::writeWorkbook(dir.filePath("b.xlsx"), t, false), QString());
    const bankbook::ReadResult read = bankbook::readBankFile(dir.filePath("b.xlsx"));
    QCOMPARE(read.problems.size(), bad.size());
    for (int i = 0; i < bad.size(); ++i) {
        QCOMPARE(read.problems[i].row, i + 2);
        QCOMPARE(read.problems[i].reason,
                 QStringLiteral("图片“%1”不是题库文件夹 pic 中的文件（应写成 \\pic\\文件名）").arg(bad[i]));
    }

    // Whatever the bank holds, a picture is opened only from inside pic/: not through "..", not
    // through a link that leads out of it.
    TestBank tb;
    QDir(tb.dir()).mkdir("pic");
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(tb.dir() + "/secret.png"));
    QVERIFY(image.save(tb.dir() + "/pic/Inside.png"));
    QVERIFY(QFile::link(tb.dir() + "/secret.png", tb.dir() + "/pic/link.png"));
    QCOMPARE(picturePath(tb.dir(), "\\pic\\inside.png"), tb.dir() + "/pic/Inside.png");
    for (const QString& name :
         QStringList{"\\pic\\..\\secret.png", "\\pic\\link.png", "\\secret.png", tb.dir() + "/secret.png"})
        QVERIFY2(picturePath(tb.dir(), name).isEmpty(), qPrintable(name));

    tb.addPaper("1", "卷", 3, true, 30);
    tb.addQuestion("1", 1, "题一 A.甲", "A", 1, "\\pic\\inside.png");
    tb.addQuestion("1", 2, "题二 A.甲", "A", 1, "\\pic\\..\\secret.png");
    tb.addQuestion("1", 3, "题三 A.甲", "A", 1, "\\pic\\link.png");
    MainWindow w(tb.dir());
    pressToolbar(w, "练习");
    PracticeWindow* practice = w.practiceWindow();
    QVERIFY(practice);
    pickPaperInPicker("1");
    practice->试卷超级按钮->click();
    goToQuestion(*practice, 1);
    QVERIFY(!practice->图片框1->pixmap().isNull());
    for (int n : {2, 3}) {
        goToQuestion(*practice, n);
        QVERIFY(practice->图片框1->pixmap().isNull());
    }
}

QTEST_MAIN(UntrustedFilesTest)
#include "test_untrustedfiles.moc"
