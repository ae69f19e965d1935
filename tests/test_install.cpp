#include "TestSupport.h"

#include "answering/PracticeWindow.h"
#include "app/BankFolder.h"
#include "app/MainWindow.h"
#include "ui/MessageBox.h"
#include "ui/RichBox.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

namespace {

const QString kId = QStringLiteral("org.veltaro.Veltaro");

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QString& program, const QStringList& args, const QProcessEnvironment& env,
        int timeoutMs = 120000) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    Run r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("timed out");
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// One "Key=value" of a desktop entry's main group.
QString desktopValue(const QString& path, const QString& key) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    for (const QString& line : QString::fromUtf8(f.readAll()).split('\n'))
        if (line.startsWith(key + '='))
            return line.mid(key.size() + 1);
    return {};
}

} // namespace

class InstallTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void init() { useRecordingDialogs(); }
    void treeHoldsEveryFile();
    void menuEntryAndMetadataValidate();
    void helpAndVersionNeedNoDisplay();
    void menuEntryStartsWithAFreshHome();
    void demoBankSeededFromTheTreeKeepsAnswers();
    void copyrightAndChangelogAsDebianWantsThem();
    void packageDependsOnWhatTheProgramLoads();

  private:
    QString root(const QString& relative) const { return m_destdir.path() + "/usr/" + relative; }
    QProcessEnvironment freshHome(const QString& home) const;
    QTemporaryDir m_destdir;
};

void InstallTest::initTestCase() {
    QVERIFY(m_destdir.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DESTDIR", m_destdir.path());
    const Run r = run(VELTARO_CMAKE_COMMAND, {"--install", VELTARO_BINARY_DIR, "--prefix", "/usr"}, env);
    QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
}

QProcessEnvironment InstallTest::freshHome(const QString& home) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    env.remove("XDG_DATA_HOME");
    return env;
}

void InstallTest::treeHoldsEveryFile() {
    // Exactly the two program files: build tools and tests stay out.
    QCOMPARE(QDir(root("bin")).entryList(QDir::Files), (QStringList{"veltaro", "veltaro-import"}));
    for (const QString program : {"bin/veltaro", "bin/veltaro-import"})
        QVERIFY2(QFileInfo(root(program)).isExecutable(), qPrintable(program));

    const QString demo = root("share/veltaro/");
    QFile bank(demo + "ks.db");
    QVERIFY(bank.open(QIODevice::ReadOnly));
    QCOMPARE(bank.read(15), QByteArray("SQLite format 3"));
    for (const QString pic : {"1-5.png", "1-12.png", "1-20.png", "1-26.png"})
        QVERIFY2(!QImage(demo + "pic/" + pic).isNull(), qPrintable(pic));
    if (!QStandardPaths::findExecutable("espeak-ng").isEmpty()) {
        const QStringList wavs = QDir(demo + "wav").entryList({"*.wav"}, QDir::Files);
        QCOMPARE(wavs.size(), 30);
        QFile wav(demo + "wav/1.wav");
        QVERIFY(wav.open(QIODevice::ReadOnly));
        QCOMPARE(wav.read(4), QByteArray("RIFF"));
    }
    QCOMPARE(QDir(demo).entryList(QDir::Hidden | QDir::Files), QStringList{"ks.db"});

    QVERIFY(QFileInfo(root("share/applications/" + kId + ".desktop")).isFile());
    QVERIFY(QFileInfo(root("share/metainfo/" + kId + ".metainfo.xml")).isFile());
    QFile svg(root("share/icons/hicolor/scalable/apps/" + kId + ".svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    QVERIFY(svg.readAll().contains("<svg"));
    for (int size : {48, 128, 256}) {
        const QString png = root(QString("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(kId));
        const QImage icon(png);
        QCOMPARE(icon.size(), QSize(size, size));
        QVERIFY(icon.hasAlphaChannel());
        // Drawn, not blank: the middle is opaque and the rounded corner is clear.
        QCOMPARE(qAlpha(icon.pixel(size / 2, size / 2)), 255);
        QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
    }
}

void InstallTest::menuEntryAndMetadataValidate() {
    const QString desktop = root("share/applications/" + kId + ".desktop");
    const QString metainfo = root("share/metainfo/" + kId + ".metainfo.xml");
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const Run entry = run("desktop-file-validate", {desktop}, env);
    QVERIFY2(entry.exitCode == 0 && entry.out.isEmpty(), qPrintable(entry.out + entry.err));
    const Run meta = run("appstreamcli", {"validate", "--no-net", metainfo}, env);
    QVERIFY2(meta.exitCode == 0, qPrintable(meta.out + meta.err));

    QCOMPARE(desktopValue(desktop, "Name"), QString("Veltaro语音读题"));
    QVERIFY(desktopValue(desktop, "Categories").split(';').contains("Education"));
    QCOMPARE(desktopValue(desktop, "Icon"), kId);
    QVERIFY(QFileInfo(root("bin/" + desktopValue(desktop, "Exec").section(' ', 0, 0))).isExecutable());

    // The newest release named in the metadata is the program's own version.
    QFile f(metainfo);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const auto release = QRegularExpression(QStringLiteral("<release version=\"([^\"]+)\""))
                             .match(QString::fromUtf8(f.readAll()));
    QVERIFY(release.hasMatch());
    QCOMPARE(release.captured(1), QString(VELTARO_VERSION_TEXT));
}

void InstallTest::helpAndVersionNeedNoDisplay() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.insert("QT_QPA_PLATFORM", "xcb");
    const Run help = run(root("bin/veltaro"), {"--help"}, env);
    QCOMPARE(help.exitCode, 0);
    QVERIFY2(help.out.contains("--bank <文件夹>") && help.out.contains("--version"), qPrintable(help.out));
    const Run version = run(root("bin/veltaro"), {"--version"}, env);
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out, QString("veltaro %1\n").arg(VELTARO_VERSION_TEXT));
    const Run wrong = run(root("bin/veltaro"), {"--bnak", "x"}, env);
    QCOMPARE(wrong.exitCode, 2);
    QVERIFY2(wrong.err.contains("不认识的选项：--bnak"), qPrintable(wrong.err));
}

// The installed program started as the menu starts it, by a user who never ran it: it makes and
// seeds the bank folder, runs from there, and stays up.
void InstallTest::menuEntryStartsWithAFreshHome() {
    QTemporaryDir home;
    const QString exec = desktopValue(root("share/applications/" + kId + ".desktop"), "Exec");
    QProcessEnvironment env = freshHome(home.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(home.path());
    program.start(root("bin/" + exec), {});
    QVERIFY(program.waitForStarted());
    const QString bank = QDir(home.path()).canonicalPath() + "/.local/share/veltaro";
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(bank + "/ks.db").isFile() || program.state() == QProcess::NotRunning,
                             60000);
    QTest::qWait(1500);
    const QString output =
        QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError());
    QVERIFY2(program.state() == QProcess::Running, qPrintable(output));
    QCOMPARE(QFileInfo(QString("/proc/%1/cwd").arg(program.processId())).symLinkTarget(), bank);
    program.terminate();
    program.waitForFinished();
    QVERIFY2(output.contains(bank), qPrintable(output));
    QVERIFY(QFileInfo(bank + "/pic/1-5.png").isFile());
}

// The bank the installed tree seeds is one the program works with: the demo paper opens on its
// first question, and a practice answer lands in the user's ks.db.
void InstallTest::demoBankSeededFromTheTreeKeepsAnswers() {
    QTemporaryDir home;
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    const bankfolder::Prepared bank = bankfolder::prepare(QString(), root("bin"));
    qputenv("HOME", savedHome);
    QVERIFY2(bank.error.isEmpty() && bank.warning.isEmpty(), qPrintable(bank.error + bank.warning));
    QCOMPARE(bank.choice.path, home.path() + "/.local/share/veltaro");
    {
        MainWindow w(bank.choice.path);
        QVERIFY(MessageBox::shown().isEmpty());
        PracticeWindow* p = w.practiceWindow();
        QCOMPARE(p->试卷编码透明标签->text(), QString("1"));
        QCOMPARE(p->题号编辑框->text(), QString("1"));
        QVERIFY(!p->题目超级编辑框->boxText().isEmpty());
        p->答案超级编辑框->setBoxText("B");
        p->保存按钮->click();
        QVERIFY(MessageBox::shown().isEmpty());
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "seeded");
        db.setDatabaseName(bank.choice.path + "/ks.db");
        QVERIFY(db.open());
        QSqlQuery q("select practice from 题库 where code='1' and tihao=1", db);
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QString("B"));
    }
    QSqlDatabase::removeDatabase("seeded");
}

// The copyright file in Debian's machine-readable format, every licence named in it spelt out or
// found in common-licenses; the changelog of a native package compressed with gzip -9n (no name, no
// time), its newest entry the program's version.
void InstallTest::copyrightAndChangelogAsDebianWantsThem() {
    QFile copyright(root("share/doc/veltaro/copyright"));
    QVERIFY(copyright.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(copyright.readAll());
    QVERIFY(text.startsWith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"));
    QVERIFY(text.contains("\nFiles: *\nCopyright: "));
    const auto licences =
        QRegularExpression("^License: (\\S+)\\n( .*)?", QRegularExpression::MultilineOption);
    int named = 0;
    for (auto it = licences.globalMatch(text); it.hasNext(); ++named) {
        const auto m = it.next();
        QVERIFY2(!m.captured(2).trimmed().isEmpty() ||
                     QFileInfo::exists("/usr/share/common-licenses/" + m.captured(1)),
                 qPrintable(m.captured(0)));
    }
    QVERIFY(named >= 1);

    QFile changelog(root("share/doc/veltaro/changelog.gz"));
    QVERIFY(changelog.open(QIODevice::ReadOnly));
    const QByteArray gz = changelog.readAll();
    QVERIFY(gz.size() > 18 && gz.startsWith("\x1f\x8b\x08"));
    QCOMPARE(int(gz[3]) & 0x08, 0);              // no file name
    QCOMPARE(gz.mid(4, 4), QByteArray(4, '\0')); // no time
    QCOMPARE(int(gz[8]), 2);                     // the best compression
    QProcess gunzip;
    gunzip.start("gzip", {"-dc", changelog.fileName()});
    QVERIFY(gunzip.waitForFinished());
    QCOMPARE(gunzip.exitCode(), 0);
    const QStringList lines = QString::fromUtf8(gunzip.readAllStandardOutput()).split('\n');
    QVERIFY2(lines.first().startsWith(QString("veltaro (%1) ").arg(VELTARO_VERSION_TEXT)),
             qPrintable(lines.first()));
    const auto trailer =
        QRegularExpression("^ -- .+ <[^>]+>  \\w{3}, \\d{2} \\w{3} \\d{4} \\d{2}:\\d{2}:\\d{2} [+-]\\d{4}$");
    QVERIFY(std::any_of(lines.begin(), lines.end(),
                        [&](const QString& l) { return trailer.match(l).hasMatch(); }));
}

// The Debian package as cpack builds it: each package named once in Depends, no GStreamer (sound
// goes through Qt's PulseAudio output), and the packages of what the program loads besides the
// libraries it links: Qt's SQLite driver, Qt's SVG plugins, the Chinese font.
void InstallTest::packageDependsOnWhatTheProgramLoads() {
    const QString cpack = QFileInfo(VELTARO_CMAKE_COMMAND).absolutePath() + "/cpack";
    if (!QFileInfo(cpack).isExecutable() || QStandardPaths::findExecutable("dpkg-deb").isEmpty() ||
        QStandardPaths::findExecutable("dpkg-shlibdeps").isEmpty())
        QSKIP("cpack, dpkg-deb or dpkg-shlibdeps is missing");
    QTemporaryDir out;
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const Run built =
        run(cpack, {"--config", VELTARO_BINARY_DIR "/CPackConfig.cmake", "-B", out.path()}, env, 300000);
    QVERIFY2(built.exitCode == 0, qPrintable(built.out + built.err));
    const QStringList debs = QDir(out.path()).entryList({"veltaro_*.deb"}, QDir::Files);
    QCOMPARE(debs.size(), 1);
    const QString deb = out.filePath(debs.first());
    auto field = [&](const QString& name) { return run("dpkg-deb", {"-f", deb, name}, env).out.trimmed(); };

    QStringList depends;
    for (const QString& d : field("Depends").split(','))
        depends << d.trimmed().section(' ', 0, 0);
    QCOMPARE(QSet<QString>(depends.begin(), depends.end()).size(), depends.size());
    QVERIFY2(!field("Depends").contains("gstreamer"), qPrintable(field("Depends")));
    for (const char* needed :
         {"libqt6sql6-sqlite", "libqt6svg6", "fonts-wqy-zenhei", "libqt6multimedia6", "libqt6charts6"})
        QVERIFY2(depends.contains(needed), needed);
    QVERIFY(field("Suggests").contains("pulseaudio"));
    // Loaded at run time, found by no library check: each file's package is among the Depends.
    const QString plugins = "/usr/lib/x86_64-linux-gnu/qt6/plugins/";
    for (const QString file :
         {plugins + "sqldrivers/libqsqlite.so", plugins + "iconengines/libqsvgicon.so",
          plugins + "imageformats/libqsvg.so", QString("/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc")}) {
        if (!QFileInfo::exists(file))
            continue;
        const QString owner = run("dpkg", {"-S", file}, env).out.section(':', 0, 0);
        QVERIFY2(depends.contains(owner), qPrintable(file + " comes from " + owner));
    }
    const QString contents = run("dpkg-deb", {"-c", deb}, env).out;
    for (const char* doc : {"./usr/share/doc/veltaro/copyright", "./usr/share/doc/veltaro/changelog.gz"})
        QVERIFY2(contents.contains(doc), doc);
}

QTEST_MAIN(InstallTest)
#include "test_install.moc"
