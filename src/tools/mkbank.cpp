// Builds a question bank from readable SQL, and draws the pictures of the demo bank.
//   veltaro-mkbank BANK.sql OUT.db         the bank (written to a temporary file, then renamed)
//   veltaro-mkbank --pictures DIR          the demo pictures as PNG files
//   veltaro-mkbank --sounds OUT.db CODE DIR one recording per question of a paper, DIR/<tihao>.wav,
//                                           spoken as the program speaks a question that has none
#include "questions/QuestionText.h"
#include "speech/SpeechText.h"
#include "speech/Synthesizer.h"
#include "speech/Wav.h"
#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>

namespace {

int fail(const QString& text) {
    std::fprintf(stderr, "veltaro-mkbank: %s\n", qPrintable(text));
    return 1;
}

// Statements end with ";" at the end of a line; "--" lines are comments.
QStringList splitStatements(const QString& sql) {
    QStringList out;
    QString current;
    for (const QString& line : sql.split(QLatin1Char('\n'))) {
        const QString t = line.trimmed();
        if (current.isEmpty() && (t.isEmpty() || t.startsWith(QStringLiteral("--"))))
            continue;
        current += line + QLatin1Char('\n');
        if (t.endsWith(QLatin1Char(';'))) {
            out << current.trimmed();
            current.clear();
        }
    }
    if (!current.trimmed().isEmpty())
        out << current.trimmed();
    return out;
}

int buildBank(const QString& sqlPath, const QString& outPath) {
    QFile in(sqlPath);
    if (!in.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1").arg(sqlPath));
    const QString sql = QString::fromUtf8(in.readAll());
    const QString tmp = outPath + QStringLiteral(".tmp");
    QFile::remove(tmp);
    int rows = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("mkbank"));
        db.setDatabaseName(tmp);
        if (!db.open())
            return fail(db.lastError().text());
        const QString err = schema::create(db);
        if (!err.isEmpty())
            return fail(err);
        db.transaction();
        QSqlQuery q(db);
        for (const QString& statement : splitStatements(sql)) {
            if (!q.exec(statement))
                return fail(QStringLiteral("%1\n  in: %2").arg(q.lastError().text(), statement.left(200)));
            ++rows;
        }
        // The demo's questions carry no type: each gets the one its standard answer implies.
        if (const QString typed = schema::fillQuestionTypes(db); !typed.isEmpty())
            return fail(typed);
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("mkbank"));
    QFile::remove(outPath);
    if (!QFile::rename(tmp, outPath))
        return fail(QStringLiteral("cannot write %1").arg(outPath));
    std::printf("veltaro-mkbank: %d rows into %s\n", rows, qPrintable(outPath));
    return 0;
}

// In number order the display position is the question number: wav/<tihao>.wav. Recordings of
// questions no longer in the paper are removed first.
int recordSounds(const QString& dbPath, const QString& code, const QString& dir) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("sounds"));
    db.setDatabaseName(dbPath);
    if (!db.open())
        return fail(db.lastError().text());
    QSqlQuery q(db);
    q.prepare(QStringLiteral("select tihao, question from 题库 where code=? order by tihao"));
    q.addBindValue(code);
    if (!q.exec())
        return fail(q.lastError().text());
    QDir d(dir);
    d.mkpath(QStringLiteral("."));
    for (const QString& old : d.entryList({QStringLiteral("*.wav")}, QDir::Files))
        d.remove(old);
    int made = 0;
    while (q.next()) {
        const QString text = speech::spokenText(formatQuestionText(q.value(1).toString()));
        const SpeechChunk speech = Synthesizer::instance().render(text, speech::wordsPerMinute(0));
        if (speech.sampleRate <= 0)
            return fail(QStringLiteral("no Mandarin voice"));
        QSaveFile out(d.filePath(QStringLiteral("%1.wav").arg(q.value(0).toLongLong())));
        if (!out.open(QIODevice::WriteOnly) ||
            out.write(wav::encode16(speech.samples, speech.sampleRate)) < 0 || !out.commit())
            return fail(QStringLiteral("cannot write %1").arg(out.fileName()));
        ++made;
    }
    std::printf("veltaro-mkbank: %d recordings into %s\n", made, qPrintable(dir));
    return 0;
}

// --- the demo pictures -----------------------------------------------------------------------

QImage canvas(int w, int h, QPainter& p) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(255, 255, 255));
    return img;
}

void title(QPainter& p, const QRect& r, const QString& text) {
    QFont f = p.font();
    f.setPixelSize(20);
    f.setBold(true);
    p.setFont(f);
    p.drawText(r, Qt::AlignCenter, text);
    f.setPixelSize(16);
    f.setBold(false);
    p.setFont(f);
}

bool drawTAccount(const QString& path) {
    QPainter p;
    QImage img = canvas(560, 300, p);
    p.begin(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 60, 90), 2));
    title(p, QRect(0, 10, 560, 30), QStringLiteral("银行存款"));
    p.drawLine(40, 50, 520, 50);
    p.drawLine(280, 50, 280, 270);
    p.setPen(QColor(30, 30, 30));
    p.drawText(QRect(50, 55, 220, 24), Qt::AlignLeft, QStringLiteral("借方"));
    p.drawText(QRect(290, 55, 220, 24), Qt::AlignRight, QStringLiteral("贷方"));
    const QStringList debit = {QStringLiteral("期初余额  50 000"), QStringLiteral("收回货款  30 000")};
    const QStringList credit = {QStringLiteral("支付工资  20 000"), QStringLiteral("购买材料  15 000")};
    for (int i = 0; i < debit.size(); ++i)
        p.drawText(QRect(50, 95 + i * 34, 220, 24), Qt::AlignLeft, debit[i]);
    for (int i = 0; i < credit.size(); ++i)
        p.drawText(QRect(290, 95 + i * 34, 220, 24), Qt::AlignLeft, credit[i]);
    p.drawLine(40, 220, 520, 220);
    p.drawText(QRect(50, 232, 220, 24), Qt::AlignLeft, QStringLiteral("期末余额  ？"));
    p.end();
    return img.save(path, "PNG");
}

bool drawBarChart(const QString& path) {
    QPainter p;
    QImage img = canvas(560, 340, p);
    p.begin(&img);
    p.setRenderHint(QPainter::Antialiasing);
    title(p, QRect(0, 8, 560, 30), QStringLiteral("甲公司营业收入（万元）"));
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.drawLine(70, 290, 520, 290);
    p.drawLine(70, 290, 70, 50);
    const int values[] = {800, 950, 1100};
    const char* years[] = {"2023年", "2024年", "2025年"};
    for (int i = 0; i < 3; ++i) {
        const int h = values[i] * 200 / 1100;
        const QRect bar(120 + i * 130, 290 - h, 70, h);
        p.fillRect(bar, QColor(91, 141, 184));
        p.drawText(QRect(bar.x() - 20, bar.y() - 26, 110, 22), Qt::AlignCenter, QString::number(values[i]));
        p.drawText(QRect(bar.x() - 20, 296, 110, 22), Qt::AlignCenter, QString::fromUtf8(years[i]));
    }
    p.end();
    return img.save(path, "PNG");
}

bool drawBalanceSheet(const QString& path) {
    QPainter p;
    QImage img = canvas(560, 240, p);
    p.begin(&img);
    title(p, QRect(0, 8, 560, 30), QStringLiteral("资产负债表（简表，单位：万元）"));
    p.setPen(QPen(QColor(40, 60, 90), 1));
    const QRect table(40, 50, 480, 150);
    p.drawRect(table);
    p.drawLine(280, 50, 280, 200);
    for (int y = 100; y < 200; y += 50)
        p.drawLine(40, y, 520, y);
    p.drawText(QRect(50, 50, 220, 50), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("资产"));
    p.drawText(QRect(290, 50, 220, 50), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("负债和所有者权益"));
    p.drawText(QRect(50, 100, 220, 50), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("资产合计    1 000"));
    p.drawText(QRect(290, 100, 220, 50), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("负债合计      400"));
    p.drawText(QRect(290, 150, 220, 50), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("所有者权益    600"));
    p.end();
    return img.save(path, "PNG");
}

bool drawAnnuity(const QString& path) {
    QPainter p;
    QImage img = canvas(560, 220, p);
    p.begin(&img);
    p.setRenderHint(QPainter::Antialiasing);
    title(p, QRect(0, 8, 560, 30), QStringLiteral("年金时间轴（年利率 10%）"));
    p.setPen(QPen(QColor(40, 60, 90), 2));
    p.drawLine(60, 130, 500, 130);
    for (int i = 0; i <= 3; ++i) {
        const int x = 80 + i * 130;
        p.drawLine(x, 122, x, 138);
        p.drawText(QRect(x - 30, 142, 60, 22), Qt::AlignCenter, QString::number(i));
        if (i > 0) {
            p.drawLine(x, 120, x, 70);
            p.drawLine(x, 70, x - 6, 80);
            p.drawLine(x, 70, x + 6, 80);
            p.drawText(QRect(x - 30, 44, 60, 22), Qt::AlignCenter, QStringLiteral("100"));
        }
    }
    p.drawText(QRect(0, 176, 560, 24), Qt::AlignCenter, QStringLiteral("每年末支付 100，共 3 年"));
    p.end();
    return img.save(path, "PNG");
}

int drawPictures(const QString& dir) {
    QDir().mkpath(dir);
    const QDir d(dir);
    const bool ok = drawTAccount(d.filePath(QStringLiteral("1-5.png"))) &&
                    drawBarChart(d.filePath(QStringLiteral("1-12.png"))) &&
                    drawBalanceSheet(d.filePath(QStringLiteral("1-20.png"))) &&
                    drawAnnuity(d.filePath(QStringLiteral("1-26.png")));
    return ok ? 0 : fail(QStringLiteral("cannot write pictures into %1").arg(dir));
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args[0] == QStringLiteral("--pictures"))
        return drawPictures(args[1]);
    if (args.size() == 4 && args[0] == QStringLiteral("--sounds"))
        return recordSounds(args[1], args[2], args[3]);
    if (args.size() == 2)
        return buildBank(args[0], args[1]);
    return fail(
        QStringLiteral("usage: veltaro-mkbank BANK.sql OUT.db | --pictures DIR | --sounds DB CODE DIR"));
}
