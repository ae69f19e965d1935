// Damaged and unusable files in the program directory: a bank that is cut short or is noise, a
// picture that is no picture, a sound that is no sound, a settings file with broken lines or in
// another encoding, and files that cannot be written even by root (a directory where the file
// should be). The program says one clear thing, keeps working and never reports a failed save as
// done.
#include "TestSupport.h"

#include "answering/PracticeWindow.h"
#include "app/MainWindow.h"
#include "printing/PrintSettingsWindow.h"
#include "printing/ProfileFile.h"
#include "questions/QuestionReader.h"
#include "ui/Grid.h"
#include "ui/MessageBox.h"
#include "ui/RichBox.h"

#include <QAction>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray noise(int size, quint32 seed) {
    QRandomGenerator rng(seed);
    QByteArray out(size, '\0');
    for (char& c : out)
        c = char(rng.bounded(256));
    return out;
}

QStringList texts() {
    QStringList out;
    for (const auto& m : MessageBox::shown())
        out << m.text;
    return out;
}

// The program's own settings window over the practice window's wrong-answer grid.
PrintSettingsWindow* openPrintSettings(MainWindow& w) {
    w.practiceWindow()->导出按钮->click();
    return qobject_cast<PrintSettingsWindow*>(w.app().print.settingsWindow.data());
}

} // namespace

class DamagedFilesTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { useRecordingDialogs(); }

    void damagedBankIsToldOnceAndLeftAsItWas_data();
    void damagedBankIsToldOnceAndLeftAsItWas();
    void pictureThatIsNoPictureShowsNothing();
    void soundThatIsNoSoundIsPassedOver();
    void brokenOrForeignSettingsFileFallsBack();
    void bankThatCannotBeOpenedForItsLogIsTold();
    void savesThatCannotBeWrittenAreTold();
    void settingsThatCannotBeWrittenAreTold();
};

void DamagedFilesTest::damagedBankIsToldOnceAndLeftAsItWas_data() {
    QTest::addColumn<QByteArray>("bytes");
    TestBank good;
    good.addNumberedPaper("1", "Dalmora", 60, 60, true, 10);
    const QByteArray whole = fileBytes(good.dbPath());
    QVERIFY(whole.size() > 8192);
    QTest::newRow("header only") << whole.left(100);
    QTest::newRow("first page") << whole.left(4096);
    QTest::newRow("half") << whole.left(whole.size() / 2);
    QTest::newRow("noise") << noise(16384, 1);
    QTest::newRow("sqlite header then noise") << whole.left(16) + noise(8192, 2);
    QTest::newRow("empty file") << QByteArray();
}

void DamagedFilesTest::damagedBankIsToldOnceAndLeftAsItWas() {
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString db = dir.filePath("ks.db");
    writeFile(db, bytes);
    {
        MainWindow w(dir.path());
        w.show();
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(texts().first().contains("ks.db"));
        QVERIFY(texts().first().contains(QDir::toNativeSeparators(dir.path())));
        // Damage in the file is named as such, not blamed on the files beside it.
        QVERIFY2(!texts().first().contains("ks.db-wal"), qPrintable(texts().first()));
        // The program goes on: windows open, and a save says it did not save.
        PracticeWindow* p = w.practiceWindow();
        QVERIFY(p);
        MessageBox::clear();
        p->题号编辑框->setText("1");
        p->答案超级编辑框->setBoxText("A");
        p->保存按钮->click();
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY2(texts().first().contains("没有保存"), qPrintable(texts().first()));
        for (QAction* a : w.startToolbar()->actions())
            a->trigger();
    }
    QCOMPARE(fileBytes(db), bytes);
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"ks.db"});
}

void DamagedFilesTest::pictureThatIsNoPictureShowsNothing() {
    TestBank bank;
    bank.addPaper("1", "Dalmora", 4, true, 10);
    bank.addQuestion("1", 1, "noise", "A", 1, "pic\\noise.jpg");
    bank.addQuestion("1", 2, "a folder", "A", 1, "pic\\folder.png");
    // A PNG header that claims a picture of 100000 × 100000 pixels.
    bank.addQuestion("1", 3, "huge", "A", 1, "pic\\huge.png");
    bank.addQuestion("1", 4, "empty", "A", 1, "pic\\empty.gif");
    QDir(bank.dir()).mkpath("pic/folder.png");
    writeFile(bank.dir() + "/pic/noise.jpg", QByteArray("\xFF\xD8\xFF\xE0", 4) + noise(3000, 3));
    writeFile(bank.dir() + "/pic/huge.png",
              QByteArray::fromHex("89504e470d0a1a0a0000000d49484452000186a0000186a00806000000") +
                  noise(64, 4));
    writeFile(bank.dir() + "/pic/empty.gif", QByteArray());
    MainWindow w(bank.dir());
    w.show();
    PracticeWindow* p = w.practiceWindow();
    for (int n = 1; n <= 4; ++n) {
        p->题号编辑框->setText(QString::number(n));
        p->showQuestion();
        QVERIFY(p->图片框1->pixmap().isNull());
        QCOMPARE(p->题目超级编辑框->boxText(),
                 bank.scalar("select question from 题库 where tihao=?", {n}).toString());
    }
    QVERIFY(MessageBox::shown().isEmpty());
}

void DamagedFilesTest::soundThatIsNoSoundIsPassedOver() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    QDir(bank.dir()).mkpath("wav/2.wav"); // a folder
    writeFile(bank.dir() + "/wav/1.wav", noise(2000, 5));
    writeFile(bank.dir() + "/wav/3.wav", QByteArray("RIFF\xFF\xFF\xFF\x7FWAVEfmt ", 16));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(bank.dir());
    {
        MainWindow w(bank.dir());
        PracticeWindow* p = w.practiceWindow();
        // Noise, a folder and a header that promises more than it holds: none is played as a
        // recording, and the question is spoken instead.
        QuestionReader* reader = w.app().reader;
        p->朗读按钮->click();
        QCOMPARE(reader->lastStarted(), QString());
        QCOMPARE(reader->sound(), QuestionReader::Sound::Speech);
        p->下一记录按钮->click();
        QCOMPARE(reader->sound(), QuestionReader::Sound::Speech);
        p->下一记录按钮->click();
        QCOMPARE(reader->lastStarted(), QString());
        QCOMPARE(reader->sound(), QuestionReader::Sound::Speech);
        p->停止按钮->click();
        QVERIFY(MessageBox::shown().isEmpty());
    }
    QDir::setCurrent(previous);
}

void DamagedFilesTest::brokenOrForeignSettingsFileFallsBack() {
    struct Case {
        const char* name;
        QByteArray bytes;
        QString title; // what the title box shows
    };
    const QByteArray gbkTitle("\xB4\xF2\xD3\xA1\xB1\xEA\xCC\xE2", 8); // 打印标题
    const QList<Case> cases = {
        {"broken lines",
         QByteArray(
             "[高级表格打印\n标题\n=孤零零\n[高级表格打印]\n行数=abc\n字体大小=-5\n纸型=99\n打印方向=\n"
             "线型=9\n打印字段=1,,x,999,-1\n标题=  练习卷 \n"),
         QStringLiteral("练习卷")},
        {"GBK", "[\xB8\xDF\xBC\xB6\xB1\xED\xB8\xF1\xB4\xF2\xD3\xA1]\r\n\xB1\xEA\xCC\xE2=" + gbkTitle + "\r\n",
         QStringLiteral("打印标题")},
        {"UTF-16", QByteArray("\xFF\xFE[\0x\0]\0", 8), QString()},
        {"noise", noise(5000, 6), QString()},
        {"one huge line", "[高级表格打印]\n标题=" + QByteArray(200000, 'x'), QString(10240, 'x')},
    };
    for (const Case& c : cases) {
        TestBank bank;
        bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
        writeFile(bank.dir() + "/练习.ini", c.bytes);
        MainWindow w(bank.dir());
        w.show();
        PrintSettingsWindow* s = openPrintSettings(w);
        QVERIFY2(s, c.name);
        QCOMPARE(s->标题编辑框->text(), c.title);
        QVERIFY2(s->纸型组合框->currentIndex() >= 0, c.name);
        QVERIFY2(s->打印方向组合框->currentIndex() >= 0, c.name);
        QVERIFY2(MessageBox::shown().isEmpty(), c.name);
        s->close();
    }
}

// A directory named ks.db-wal: SQLite cannot open the bank's log, so the bank cannot be read.
void DamagedFilesTest::bankThatCannotBeOpenedForItsLogIsTold() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    const QByteArray before = fileBytes(bank.dbPath());
    QVERIFY(QDir(bank.dir()).mkdir("ks.db-wal"));
    MainWindow w(bank.dir());
    w.show();
    QCOMPARE(MessageBox::shown().size(), 1);
    QVERIFY2(texts().first().contains("ks.db-wal"), qPrintable(texts().first()));
    QVERIFY(!texts().first().contains("损坏"));
    QVERIFY(w.practiceWindow());
    QCOMPARE(fileBytes(bank.dbPath()), before);
}

// A disk that takes no more bytes (a file-size limit stands in for a full disk, even for root):
// the bank reads, but no change can be written. Every save says so in Chinese and stays on its
// question.
void DamagedFilesTest::savesThatCannotBeWrittenAreTold() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    MainWindow w(bank.dir());
    w.show();
    PracticeWindow* p = w.practiceWindow();
    QVERIFY(p);
    QVERIFY(MessageBox::shown().isEmpty());
    struct rlimit before;
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit full = before;
    full.rlim_cur = 1024;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &full), 0);
    QStringList told;
    for (int n = 1; n <= 2; ++n) {
        MessageBox::clear();
        p->题号编辑框->setText(QString::number(n));
        QTest::keyClick(p->题号编辑框, Qt::Key_Return);
        p->答案超级编辑框->setBoxText("AB");
        p->保存按钮->click();
        told << texts();
        QCOMPARE(p->题号编辑框->text(), QString::number(n));
    }
    MessageBox::clear();
    MessageBox::pushAnswer(true);
    p->重做按钮->click();
    told << texts();
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    QCOMPARE(told.size(), 4); // two saves, the question, then that nothing was cleared
    for (int i : {0, 1}) {
        QVERIFY2(told[i].startsWith("答案没有保存：读写磁盘时出错"), qPrintable(told[i]));
        // SQLite's own words come second at most.
        QVERIFY2(!told[i].section('\n', 0, 0).contains("disk I/O"), qPrintable(told[i]));
    }
    QVERIFY(told[3].contains("没有清除"));
    QCOMPARE(bank.scalar("select count(*) from 题库 where practice<>''").toInt(), 0);
    // With room again, the same save goes through.
    MessageBox::clear();
    p->首记录按钮->click();
    p->答案超级编辑框->setBoxText("AB");
    p->保存按钮->click();
    QVERIFY(MessageBox::shown().isEmpty());
    QCOMPARE(bank.scalar("select practice from 题库 where tihao=1").toString(), QString("AB"));
}

// A directory named 练习.ini: the print settings cannot be kept, and the window says so instead of
// closing as if they were.
void DamagedFilesTest::settingsThatCannotBeWrittenAreTold() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    QVERIFY(QDir(bank.dir()).mkdir("练习.ini"));
    MainWindow w(bank.dir());
    w.show();
    PrintSettingsWindow* s = openPrintSettings(w);
    QVERIFY(s);
    QVERIFY(MessageBox::shown().isEmpty());
    s->标题编辑框->setText("练习卷");
    s->保存配置按钮->click();
    QCOMPARE(MessageBox::shown().size(), 1);
    QVERIFY(texts().first().contains("没有保存"));
    QVERIFY(s->isVisible());
    QVERIFY(QFileInfo(bank.dir() + "/练习.ini").isDir());
}

QTEST_MAIN(DamagedFilesTest)
#include "test_damagedfiles.moc"
