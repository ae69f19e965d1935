#include "TestSupport.h"

#include "answering/PracticeReading.h"
#include "answering/PracticeWindow.h"
#include "app/MainWindow.h"
#include "exam/ExamWindow.h"
#include "questions/PaperPicker.h"
#include "questions/QuestionReader.h"
#include "speech/AudioOutput.h"
#include "speech/SpeechText.h"
#include "speech/Synthesizer.h"
#include "speech/Wav.h"
#include "ui/FileChooser.h"
#include "ui/MessageBox.h"
#include "ui/RichBox.h"

#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStandardPaths>
#include <QTest>
#include <QtEndian>

namespace {

// Stands in for the sound device: records what reaches it, plays nothing, and drains only when
// the test says so.
class FakeOutput : public AudioOutput {
  public:
    static inline FakeOutput* last = nullptr;
    static inline bool deviceThere = true;
    FakeOutput() { last = this; }
    ~FakeOutput() override {
        if (last == this)
            last = nullptr;
    }
    bool deviceAvailable() override { return deviceThere; }
    bool start(const QAudioFormat& f) override {
        log << "start";
        formats << f;
        written.clear();
        ended = suspended = false;
        return true;
    }
    void write(const QByteArray& b) override { written += b; }
    void endOfStream() override { ended = true; }
    void suspend() override { suspended = true; }
    void resume() override { suspended = false; }
    void stop() override {
        log << "stop";
        ended = false;
    }
    qint64 queuedBytes() const override { return queued; }

    qint64 queued = 0;
    QStringList log;
    QList<QAudioFormat> formats;
    QByteArray written;
    bool ended = false;
    bool suspended = false;
};

std::unique_ptr<AudioOutput> makeFake() {
    return std::make_unique<FakeOutput>();
}

// A real one-second 16-bit recording.
void makeRecordings(const QString& dir, const QList<int>& numbers) {
    QDir(dir).mkpath("wav");
    for (int n : numbers) {
        QFile f(QString("%1/wav/%2.wav").arg(dir).arg(n));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(wav::encode16(QByteArray(16000 * 2, '\1'), 16000));
    }
}

double seconds(const SpeechChunk& c) {
    return double(c.samples.size() / 2) / c.sampleRate;
}

} // namespace

class ReadingTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        // The remembered speed goes to a settings folder of the test's own.
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    }
    void init() {
        useRecordingDialogs();
        QuestionReader::setOutputFactory(makeFake);
        FakeOutput::deviceThere = true;
        m_previousDir = QDir::currentPath();
    }
    void cleanup() {
        QDir::setCurrent(m_previousDir);
        PaperPicker::setTestDriver({});
        QuestionReader::setPlaybackEnabled(false);
    }
    void controlsAndPlaces();
    void synthesisLengthFollowsTheRate();
    void spokenFormAndSentences();
    void wavFilesWrittenAndRead();
    void recordingWinsAndNavigationFollows();
    void speechStopsAndStartsWithNavigation();
    void pauseHoldsAndGoesOn();
    void speedAppliesFromTheNextSentence();
    void randomOrderPlaysTheQuestionsOwnRecording();
    void drillOrderReadsTheQuestionsItAsks();
    void verdictAfterEachSave();
    void outputWritesARecordingThatIsPlayedNext();
    void speedIsRememberedBetweenRuns();
    void missingSoundDevice();

  private:
    QTemporaryDir m_config;
    QString m_previousDir;
};

void ReadingTest::controlsAndPlaces() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    QCOMPARE(p->朗读按钮->text(), QString("朗读"));
    QCOMPARE(p->朗读按钮->geometry(), QRect(428, 18, 40, 20));
    QCOMPARE(p->暂停按钮->text(), QString("暂停"));
    QCOMPARE(p->暂停按钮->geometry(), QRect(469, 18, 40, 20));
    QCOMPARE(p->停止按钮->text(), QString("停止"));
    QCOMPARE(p->停止按钮->geometry(), QRect(510, 18, 40, 20));
    QCOMPARE(p->滑块条语速->geometry(), QRect(554, 20, 144, 18));
    QCOMPARE(p->输出按钮->text(), QString("输出"));
    QCOMPARE(p->朗读按钮->parentWidget(), static_cast<QWidget*>(p->分组框1));
    QVERIFY(!w.app().reader->reading()); // start-up reads nothing
    QVERIFY(!FakeOutput::last);
    pressToolbar(w, "考试");
    QVERIFY(!w.examWindow()->findChild<QPushButton*>("朗读按钮"));
}

void ReadingTest::synthesisLengthFollowsTheRate() {
    const QString question =
        "会计基本假设中，界定会计核算空间范围的是什么。A，持续经营 B，会计分期 C，会计主体 D，货币计量";
    Synthesizer& s = Synthesizer::instance();
    const SpeechChunk normal = s.render(question, speech::wordsPerMinute(0));
    QVERIFY(normal.sampleRate >= 8000);
    // About 3 to 5 characters a second; far off either way means the text was not read as Chinese.
    const double perCharacter = seconds(normal) / question.size();
    QVERIFY2(perCharacter > 0.1 && perCharacter < 0.6, qPrintable(QString::number(perCharacter)));
    const SpeechChunk slow = s.render(question, speech::wordsPerMinute(-10));
    const SpeechChunk fast = s.render(question, speech::wordsPerMinute(10));
    QVERIFY(seconds(fast) < seconds(normal) * 0.8);
    QVERIFY(seconds(normal) < seconds(slow) * 0.8);
    QCOMPARE(speech::wordsPerMinute(0), 175);
    QCOMPARE(speech::wordsPerMinute(-10), 88);
    QCOMPARE(speech::wordsPerMinute(10), 350);
    QCOMPARE(speech::wordsPerMinute(99), 350);
    QVERIFY(s.render(QString(), 175).samples.isEmpty());
}

void ReadingTest::spokenFormAndSentences() {
    QCOMPARE(speech::sentences("下列正确的是（  ）。\r\nA.持续经营 B．会计分期 C、会计主体"),
             QStringList({"下列正确的是（ ）。", "A，持续经营", "B，会计分期", "C，会计主体"}));
    // A company named in letters stays whole; a decimal point and a percentage are said as numbers.
    QCOMPARE(speech::sentences("ABC公司的税率为12.5%。"), QStringList({"ABC公司的税率为百分之12.5。"}));
    QCOMPARE(speech::spokenForm("见第3.题"), QString("见第3，题"));
    QVERIFY(speech::sentences("（  ）。……\n").isEmpty());
}

void ReadingTest::wavFilesWrittenAndRead() {
    QByteArray samples;
    for (int i = 0; i < 441; ++i)
        samples.append(char(i)).append(char(i >> 8));
    const QByteArray file = wav::encode16(samples, 44100);
    QCOMPARE(file.size(), 44 + samples.size());
    QCOMPARE(file.left(4), QByteArray("RIFF"));
    QCOMPARE(qFromLittleEndian<quint32>(file.constData() + 4), quint32(file.size() - 8));
    QCOMPARE(file.mid(8, 8), QByteArray("WAVEfmt "));
    QCOMPARE(qFromLittleEndian<quint16>(file.constData() + 20), quint16(1)); // PCM
    QCOMPARE(qFromLittleEndian<quint32>(file.constData() + 24), quint32(44100));
    QCOMPARE(qFromLittleEndian<quint16>(file.constData() + 34), quint16(16));
    const auto sound = wav::parse(file);
    QVERIFY(sound);
    QCOMPARE(sound->samples, samples);
    QCOMPARE(sound->format.sampleRate(), 44100);
    QCOMPARE(wav::seconds(*sound), 0.01);

    // A data chunk that claims more than is there is cut to whole frames of what is there.
    QByteArray cut = file.left(44 + 101);
    QCOMPARE(wav::parse(cut)->samples.size(), 100);
    // 24-bit stereo, written the extensible way, becomes 32-bit.
    QByteArray ext = wav::encode16(QByteArray(12, '\x7f'), 8000, 2);
    qToLittleEndian<quint16>(0xFFFE, ext.data() + 20);
    qToLittleEndian<quint16>(24, ext.data() + 34);
    ext.insert(36, QByteArray("\x16\x00\x18\x00\x03\x00\x00\x00\x01\x00", 10) + QByteArray(14, '\0'));
    qToLittleEndian<quint32>(40, ext.data() + 16);
    const auto wide = wav::parse(ext);
    QVERIFY(wide);
    QCOMPARE(wide->format.sampleFormat(), QAudioFormat::Int32);
    QCOMPARE(wide->samples.size(), 16);
    // Not sounds: noise, a header without samples, a compressed format, an absurd rate.
    QVERIFY(!wav::parse(QByteArray(500, 'x')));
    QVERIFY(!wav::parse(file.left(44)));
    QByteArray compressed = file;
    qToLittleEndian<quint16>(2, compressed.data() + 20);
    QVERIFY(!wav::parse(compressed));
    QByteArray absurd = file;
    qToLittleEndian<quint32>(0xFFFFFFFF, absurd.data() + 24);
    QVERIFY(!wav::parse(absurd));
    QByteArray hugeChunk = file;
    qToLittleEndian<quint32>(0xFFFFFFF0, hugeChunk.data() + 16); // fmt claims the whole world
    QVERIFY(!wav::parse(hugeChunk));
}

void ReadingTest::recordingWinsAndNavigationFollows() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 5, 5, true, 10);
    makeRecordings(bank.dir(), {3, 4, 5});
    QDir::setCurrent(bank.dir());
    auto w = std::make_unique<MainWindow>(bank.dir());
    QuestionReader* reader = w->app().reader;
    PracticeWindow* p = w->practiceWindow();
    p->题号编辑框->setText("3");
    p->showQuestion();
    p->朗读按钮->click();
    QVERIFY(reader->reading());
    QCOMPARE(reader->lastStarted(), QString("wav/3.wav"));
    QCOMPARE(FakeOutput::last->formats.last().sampleRate(), 16000);
    QCOMPARE(FakeOutput::last->written.size(), 32000);
    QCOMPARE(w->statusText(1), QString("正在读题...!"));
    p->下一记录按钮->click();
    QCOMPARE(reader->lastStarted(), QString("wav/4.wav"));
    // A save moves on and reads the next question too, after the verdict on the answer.
    p->答案超级编辑框->setBoxText("B");
    p->保存按钮->click();
    QCOMPARE(reader->spokenSentences(), QStringList({"错误，正确答案是 A"}));
    QTRY_VERIFY(FakeOutput::last->ended);
    emit FakeOutput::last->drained();
    QCOMPARE(reader->lastStarted(), QString("wav/5.wav"));
    emit FakeOutput::last->drained();
    QVERIFY(!reader->playing());
    QVERIFY(reader->reading());
    p->停止按钮->click();
    QVERIFY(!reader->reading());
    QCOMPARE(w->statusText(1), QString("停止读题!"));
    p->首记录按钮->click();
    p->下一记录按钮->click();
    QVERIFY(!reader->playing());
    // The reading state outlives the practice window; question 1 has no recording and is spoken.
    p->朗读按钮->click();
    pressToolbar(*w, "练习");
    QVERIFY(reader->reading());
    QCOMPARE(reader->sound(), QuestionReader::Sound::Speech);
    QCOMPARE(reader->spokenSentences().first(), QString("1-第1题 题干"));
    QVERIFY(MessageBox::shown().isEmpty());
}

void ReadingTest::speechStopsAndStartsWithNavigation() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 5, 5, true, 10);
    QDir::setCurrent(bank.dir()); // no wav folder here
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    QuestionReader* reader = w.app().reader;
    p->朗读按钮->click();
    QCOMPARE(reader->spokenSentences(), QStringList({"1-第1题 题干", "A，甲", "B，乙", "C，丙", "D，丁"}));
    FakeOutput* out = FakeOutput::last;
    QTRY_VERIFY(!out->written.isEmpty());
    QCOMPARE(out->formats.last().sampleFormat(), QAudioFormat::Int16);
    p->下一记录按钮->click();
    QCOMPARE(reader->spokenSentences().first(), QString("1-第2题 题干"));
    QTRY_VERIFY(out->ended);
    // The old speech was stopped before the new one started, and nothing of it came after.
    QCOMPARE(out->log.count("start"), 2);
    QCOMPARE(out->log.mid(out->log.lastIndexOf("stop") + 1), QStringList({"start"}));
    const qint64 bytes = out->written.size();
    QVERIFY(bytes > 2 * out->formats.last().sampleRate()); // seconds of speech
    emit out->drained();
    QVERIFY(!reader->playing());
    QCOMPARE(w.statusText(1), QString("正在读题...!"));
    QVERIFY(MessageBox::shown().isEmpty());
}

void ReadingTest::pauseHoldsAndGoesOn() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    makeRecordings(bank.dir(), {2});
    QDir::setCurrent(bank.dir());
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    QuestionReader* reader = w.app().reader;
    w.setStatusText(1, "正确");
    p->暂停按钮->click(); // nothing plays: nothing changes
    QCOMPARE(w.statusText(1), QString("正确"));
    QVERIFY(!reader->held());

    p->朗读按钮->click();
    FakeOutput* out = FakeOutput::last;
    QTRY_VERIFY(!out->written.isEmpty());
    p->暂停按钮->click();
    QVERIFY(out->suspended);
    QVERIFY(reader->held() && reader->reading());
    QCOMPARE(w.statusText(1), QString("暂停朗读!"));
    // "朗读" goes on from where it was: the same stream, not a new one.
    p->朗读按钮->click();
    QVERIFY(!out->suspended && !reader->held());
    QCOMPARE(out->log.count("start"), 1);
    QCOMPARE(w.statusText(1), QString("正在读题...!"));
    p->暂停按钮->click();
    p->暂停按钮->click();
    QVERIFY(!out->suspended);
    QCOMPARE(w.statusText(1), QString("正在读题...!"));
    QTRY_VERIFY(out->ended);

    // A recording is held the same way, and stepping on lets go of the hold.
    p->下一记录按钮->click();
    QCOMPARE(reader->lastStarted(), QString("wav/2.wav"));
    p->暂停按钮->click();
    QVERIFY(out->suspended);
    p->下一记录按钮->click();
    QVERIFY(!reader->held());
    QCOMPARE(reader->sound(), QuestionReader::Sound::Speech);
    QCOMPARE(w.statusText(1), QString("正在读题...!"));
}

void ReadingTest::speedAppliesFromTheNextSentence() {
    // The voice's output varies by a few samples with what it said before: lengths are compared
    // within 5 %, far closer than the halving the new speed brings.
    auto near = [](qsizetype a, qsizetype b) { return qAbs(a - b) < b / 20; };
    Synthesizer& s = Synthesizer::instance();
    QuestionReader reader(nullptr, makeFake);
    reader.read(std::nullopt, "第一句话。第二句话。");
    FakeOutput* out = FakeOutput::last;
    out->queued = 1 << 30; // still busy playing: the second sentence is not asked for yet
    const qsizetype first = s.render("第一句话。", speech::wordsPerMinute(0)).samples.size();
    QTRY_VERIFY(near(out->written.size(), first));
    QTest::qWait(200);
    const qsizetype firstWritten = out->written.size();
    QVERIFY(near(firstWritten, first));
    reader.setRateStep(10);
    out->queued = 0;
    QTRY_VERIFY(out->ended);
    QVERIFY(near(out->written.size() - firstWritten,
                 s.render("第二句话。", speech::wordsPerMinute(10)).samples.size()));
}

void ReadingTest::randomOrderPlaysTheQuestionsOwnRecording() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 5, 5, true, 10);
    makeRecordings(bank.dir(), {1, 2, 3, 4, 5});
    QDir::setCurrent(bank.dir());
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    p->随机单选框->click();
    pickPaperInPicker();
    p->试卷超级按钮->click();
    p->朗读按钮->click();
    const QList<int>& order = w.app().practiceOrder;
    QCOMPARE(w.app().reader->lastStarted(), QString("wav/%1.wav").arg(order[0]));
    p->下一记录按钮->click();
    QCOMPARE(w.app().reader->lastStarted(), QString("wav/%1.wav").arg(order[1]));
    // A position outside the order names no file: what is shown is spoken.
    p->题号编辑框->setText("../ks");
    p->朗读按钮->click();
    QCOMPARE(w.app().reader->sound(), QuestionReader::Sound::Speech);
    QCOMPARE(QuestionReader::recordingFor(0), QString());
}

void ReadingTest::drillOrderReadsTheQuestionsItAsks() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 4, 4, true, 10);
    makeRecordings(bank.dir(), {1, 2, 3, 4});
    QDir::setCurrent(bank.dir());
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    for (int n : {4, 2}) {
        goToQuestion(*p, n);
        p->答案超级编辑框->setBoxText("B");
        p->保存按钮->click();
    }
    p->错题单选框->click();
    pickPaperInPicker();
    p->试卷超级按钮->click();
    QCOMPARE(w.app().practiceOrder, QList<int>({2, 4}));
    p->朗读按钮->click();
    QCOMPARE(w.app().reader->lastStarted(), QString("wav/2.wav"));
    p->下一记录按钮->click();
    QCOMPARE(w.app().reader->lastStarted(), QString("wav/4.wav"));
}

void ReadingTest::verdictAfterEachSave() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 2, 2, true, 10);
    bank.exec("update 题库 set authority='AC' where tihao=2");
    QDir::setCurrent(bank.dir());
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    QuestionReader* reader = w.app().reader;
    p->保存按钮->click(); // reading off: nothing is said
    QVERIFY(!reader->playing());
    p->首记录按钮->click();
    p->朗读按钮->click();
    p->答案超级编辑框->setBoxText("a");
    p->保存按钮->click();
    QCOMPARE(reader->spokenSentences(), QStringList({"正确"}));
    QTRY_VERIFY(FakeOutput::last->ended);
    emit FakeOutput::last->drained();
    QCOMPARE(reader->spokenSentences().first(), QString("1-第2题 题干"));
    // On the last question there is no next one: the verdict is said on its own.
    p->答案超级编辑框->setBoxText("CB");
    p->保存按钮->click();
    QCOMPARE(p->题号编辑框->text(), QString("2"));
    QCOMPARE(reader->spokenSentences(), QStringList({"错误，正确答案是 A C"}));
    QTRY_VERIFY(FakeOutput::last->ended);
    emit FakeOutput::last->drained();
    QVERIFY(!reader->playing());
    QCOMPARE(practice_reading::verdict("CA", "AC"), QString("正确"));
    QCOMPARE(practice_reading::verdict("B", "对"), QString("错误，正确答案是 对"));
    // An empty answer clears the question's answer: no attempt, so not wrong either.
    QCOMPARE(practice_reading::verdict(" ", "对"), QString("未作答，正确答案是 对"));
}

void ReadingTest::outputWritesARecordingThatIsPlayedNext() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 5, 5, true, 10);
    QDir::setCurrent(bank.dir());
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    p->随机单选框->click();
    pickPaperInPicker();
    p->试卷超级按钮->click();
    const int number = w.app().practiceOrder[0];
    const QString path = QDir(bank.dir()).filePath(QString("wav/%1.wav").arg(number));
    FileChooser::preset(path);
    p->输出按钮->click();
    QCOMPARE(FileChooser::lastOffer()->initialPath, path); // named by question number
    QCOMPARE(FileChooser::lastOffer()->filter, QString("音频文件 (*.wav)"));
    QTRY_VERIFY(QFileInfo(path).size() > 44);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const auto sound = wav::parse(f.readAll());
    QVERIFY(sound);
    QCOMPARE(sound->format.sampleFormat(), QAudioFormat::Int16);
    QCOMPARE(sound->format.channelCount(), 1);
    QCOMPARE(sound->format.sampleRate(), Synthesizer::instance().render("好", 175).sampleRate);
    QVERIFY(wav::seconds(*sound) > 2);
    const QString soxi = QStandardPaths::findExecutable("soxi");
    if (!soxi.isEmpty()) {
        QProcess run;
        run.start(soxi, {"-D", path});
        QVERIFY(run.waitForFinished());
        QCOMPARE(run.exitCode(), 0);
        QVERIFY(qAbs(run.readAllStandardOutput().trimmed().toDouble() - wav::seconds(*sound)) < 0.01);
    }
    p->朗读按钮->click();
    QCOMPARE(w.app().reader->lastStarted(), QString("wav/%1.wav").arg(number));

    // A file that cannot be written is told; cancelling writes nothing.
    FileChooser::preset(bank.dir() + "/ks.db/x.wav");
    p->输出按钮->click();
    QTRY_COMPARE(MessageBox::shown().size(), 1);
    QVERIFY(MessageBox::shown().first().text.startsWith("声音文件没有保存"));
    FileChooser::preset(std::nullopt);
    p->输出按钮->click();
    QCOMPARE(QDir(bank.dir() + "/wav").entryList(QDir::Files).size(), 1);
}

void ReadingTest::speedIsRememberedBetweenRuns() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    {
        MainWindow w(bank.dir());
        QCOMPARE(w.practiceWindow()->滑块条语速->value(), 0);
        w.practiceWindow()->滑块条语速->setValue(7);
        QCOMPARE(w.app().reader->rateStep(), 7);
    }
    MainWindow again(bank.dir());
    QCOMPARE(again.practiceWindow()->滑块条语速->value(), 7);
    QCOMPARE(again.app().reader->rateStep(), 7);
    again.practiceWindow()->滑块条语速->setValue(0);
}

void ReadingTest::missingSoundDevice() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    makeRecordings(bank.dir(), {2});
    QDir::setCurrent(bank.dir());
    FakeOutput::deviceThere = false;
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    p->朗读按钮->click();
    QCOMPARE(w.statusText(1), QString("没有可用的声音设备"));
    QVERIFY(w.app().reader->reading());
    p->下一记录按钮->click(); // a recording, still no device
    QVERIFY(!w.app().reader->playing());
    QCOMPARE(w.statusText(1), QString("没有可用的声音设备"));
    QVERIFY(!FakeOutput::last->log.contains("start"));
    QVERIFY(MessageBox::shown().isEmpty());

    // A device that gives up in the middle of a reading.
    FakeOutput::deviceThere = true;
    p->上一记录按钮->click();
    QTRY_VERIFY(!FakeOutput::last->written.isEmpty());
    emit FakeOutput::last->failed();
    QVERIFY(!w.app().reader->playing());
    QCOMPARE(w.statusText(1), QString("没有可用的声音设备"));

    // The sound-device output itself, with no device to open.
    SinkOutput none([] { return QAudioDevice(); });
    QVERIFY(!none.deviceAvailable());
    QAudioFormat format;
    format.setSampleRate(22050);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    QVERIFY(!none.start(format));
    none.write(QByteArray(100, 0));
    none.endOfStream();
    QCOMPARE(none.queuedBytes(), 0);
    QuestionReader reader(nullptr,
                          [] { return std::make_unique<SinkOutput>([] { return QAudioDevice(); }); });
    QSignalSpy status(&reader, &QuestionReader::statusText);
    reader.read(1, "题目");
    QCOMPARE(status.last().at(1).toString(), QString("没有可用的声音设备"));
}

QTEST_MAIN(ReadingTest)
#include "test_reading.moc"
