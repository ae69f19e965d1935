// The bank workbook reading over arbitrary bytes: CSV sheets through the row checks, or a sheet's
// XML inside a real package, read under the program's limits or under small ones that the input
// reaches (what is kept never passes them; a CSV file read in pieces gives what its bytes give
// whole). Nothing crashes, and whatever the checks let through keeps their
// promises: every question on a paper of the workbook, numbers from 1, standard answers in their
// stored form, no number twice.
#include "FuzzCheck.h"

#include "bank/BankWorkbook.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <memory>

#include <zip.h>

namespace {

std::unique_ptr<QTemporaryDir> g_dir;

void checkAccepted(const bankbook::ReadResult& r) {
    if (!r.ok()) {
        FUZZ_CHECK(!r.report().isEmpty());
        for (const bankbook::Problem& p : r.problems)
            FUZZ_CHECK(!p.sheet.isEmpty() && p.row >= 0 && !p.reason.isEmpty());
        return;
    }
    QSet<QString> papers, numbers;
    for (const bank::Paper& p : r.tables.papers) {
        FUZZ_CHECK(!papers.contains(bank::codeKey(p.code)));
        papers.insert(bank::codeKey(p.code));
    }
    for (const bank::Question& q : r.tables.questions) {
        FUZZ_CHECK(papers.contains(bank::codeKey(q.code)));
        FUZZ_CHECK(q.tihao.toLongLong() >= 1);
        FUZZ_CHECK(!q.authority.isEmpty() && q.authority == bank::standardAnswer(q.authority));
        FUZZ_CHECK(q.score.toDouble() >= 0);
        const QString key = bank::codeKey(q.code) + QLatin1Char('\n') + QString::number(q.tihao.toLongLong());
        FUZZ_CHECK(!numbers.contains(key));
        numbers.insert(key);
    }
}

bool writePackage(const QString& path, const QByteArray& sheet) {
    const QByteArray workbook =
        "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
        "relationships\"><sheets><sheet name=\"试卷\" r:id=\"a\"/><sheet name=\"题库\" "
        "r:id=\"b\"/></sheets></workbook>";
    const QByteArray rels = "<Relationships><Relationship Id=\"a\" Target=\"worksheets/sheet1.xml\"/>"
                            "<Relationship Id=\"b\" Target=\"/xl/worksheets/sheet1.xml\"/></Relationships>";
    const QByteArray strings = "<sst><si><t>name</t></si><si><r><t>题</t></r><rPh><t>x</t></rPh></si></sst>";
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z)
        return false;
    const QList<QPair<const char*, QByteArray>> parts{{"xl/workbook.xml", workbook},
                                                      {"xl/_rels/workbook.xml.rels", rels},
                                                      {"xl/sharedStrings.xml", strings},
                                                      {"xl/worksheets/sheet1.xml", sheet}};
    for (const auto& [name, bytes] : parts) {
        zip_source_t* src = zip_source_buffer(z, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        if (!src || zip_file_add(z, name, src, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(src);
            zip_discard(z);
            return false;
        }
    }
    // The buffers are read here, while they are still alive.
    return zip_close(z) == 0;
}

// Small limits from two bytes, so that every limit is reached on small inputs.
sheets::ReadLimits smallLimits(uint8_t a, uint8_t b) {
    sheets::ReadLimits l;
    l.keptBytes = 256 + qint64(a) * 64;
    l.unpackedBytes = 512 + qint64(b) * 256;
    l.partBytes = 256 + qint64(b) * 128;
    l.cells = 1 + a % 64;
    l.depth = 2 + b % 8;
    l.pieceBytes = 64 + qint64(a) * 8;
    return l;
}

// What a read kept stays within its limit; the charge that stopped it passes the limit by at
// most one row's empty cells or one text being read.
void checkBudget(const sheets::Budget& budget) {
    const sheets::ReadLimits& l = budget.limits();
    FUZZ_CHECK(budget.kept() <= l.keptBytes ||
               (budget.failed() &&
                budget.kept() <= l.keptBytes + sheets::kMaxColumn * 32 + 4 * l.pieceBytes + 4 * 65536));
    FUZZ_CHECK(budget.unpacked() <= l.unpackedBytes + 65536);
    FUZZ_CHECK(!budget.failed() || !budget.error().isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    const bool limited = data[0] % 4 >= 2;
    const sheets::ReadLimits limits = limited ? smallLimits(data[1], data[2]) : sheets::ReadLimits();
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    if (!g_dir)
        g_dir = std::make_unique<QTemporaryDir>();
    if (data[0] % 2 == 1) {
        // Two CSV files, the papers before the first 0x01 byte and the questions after it.
        const qsizetype split = rest.indexOf('\x01');
        const QByteArray papers = split < 0 ? rest : rest.left(split);
        const QByteArray questions = split < 0 ? QByteArray() : rest.mid(split + 1);
        sheets::Workbook book;
        book.sheets << sheets::parseCsv(papers, QStringLiteral("试卷"))
                    << sheets::parseCsv(questions, QStringLiteral("题库"));
        checkAccepted(bankbook::readTables(book));
        // The same bytes read from a file, a piece at a time under the limits: when the read gets
        // through, it gives what the whole bytes give.
        const QString path = g_dir->filePath(QStringLiteral("试卷.csv"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(papers);
        f.close();
        sheets::Budget budget(limits);
        sheets::Sheet read;
        if (sheets::readCsv(path, QStringLiteral("试卷"), budget, &read)) {
            const sheets::Sheet& whole = book.sheets[0];
            FUZZ_CHECK(read.rows.size() == whole.rows.size());
            for (int i = 0; i < read.rows.size() && i < whole.rows.size(); ++i)
                FUZZ_CHECK(read.rows[i].number == whole.rows[i].number &&
                           read.rows[i].cells == whole.rows[i].cells);
        }
        checkBudget(budget);
        return 0;
    }
    const QString path = g_dir->filePath(QStringLiteral("fuzz.xlsx"));
    if (!writePackage(path, rest))
        return 0;
    sheets::Budget budget(limits);
    const sheets::Workbook book = sheets::readXlsx(path, budget);
    checkBudget(budget);
    FUZZ_CHECK(!budget.failed() || !book.error.isEmpty());
    for (const sheets::Sheet& s : book.sheets)
        for (const sheets::Row& row : s.rows) {
            FUZZ_CHECK(row.number >= 1 && row.number <= sheets::kMaxRow);
            FUZZ_CHECK(row.cells.size() <= sheets::kMaxColumn);
        }
    checkAccepted(bankbook::readTables(book));
    return 0;
}
