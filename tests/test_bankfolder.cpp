#include "app/BankFolder.h"
#include "app/CommandLine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write(content);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A demo folder as the install lays it out, its bank read-only like installed files.
void makeDemo(const QString& dir) {
    writeFile(dir + "/ks.db", "demo bank");
    writeFile(dir + "/pic/1-5.png", "picture");
    writeFile(dir + "/wav/1.wav", "recording 1");
    writeFile(dir + "/wav/2.wav", "recording 2");
    writeFile(dir + "/.made-from", "stamp");
    QFile::setPermissions(dir + "/ks.db",
                          QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
}

} // namespace

class BankFolderTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void choiceFollowsTheOrder_data();
    void choiceFollowsTheOrder();
    void seedingFillsOnceAndNeverReplaces();
    void seedingLeavesWhatIsAlreadyThere();
    void seedingFailuresAreTold();
    void prepareSeedsFromTheDemoBesideTheProgram();
    void commandLine_data();
    void commandLine();

  private:
    QString home() const { return QDir(m_home->path()).canonicalPath(); }
    std::unique_ptr<QTemporaryDir> m_home;
    QByteArray m_savedHome, m_savedXdg;
    bool m_hadXdg = false;
};

void BankFolderTest::init() {
    m_home = std::make_unique<QTemporaryDir>();
    m_savedHome = qgetenv("HOME");
    m_hadXdg = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    m_savedXdg = qgetenv("XDG_DATA_HOME");
    qputenv("HOME", QFile::encodeName(home()));
    qunsetenv("XDG_DATA_HOME");
}

void BankFolderTest::cleanup() {
    qputenv("HOME", m_savedHome);
    if (m_hadXdg)
        qputenv("XDG_DATA_HOME", m_savedXdg);
    else
        qunsetenv("XDG_DATA_HOME");
    m_home.reset();
}

void BankFolderTest::choiceFollowsTheOrder_data() {
    QTest::addColumn<QString>("option");       // --bank, relative to the home folder
    QTest::addColumn<QString>("programHolds"); // file in the program folder, or empty
    QTest::addColumn<QString>("xdg");          // XDG_DATA_HOME ("-" unset), "~" = the home folder
    QTest::addColumn<QString>("expected");     // "~" = the home folder, "@" = the program folder
    QTest::addColumn<int>("source");

    const int option = int(bankfolder::Source::Option);
    const int program = int(bankfolder::Source::ProgramFolder);
    const int user = int(bankfolder::Source::UserFolder);
    QTest::newRow("option wins over a bank beside the program") << "mine/../banks/a"
                                                                << "ks.db"
                                                                << "-"
                                                                << "~/banks/a" << option;
    QTest::newRow("bank beside the program") << ""
                                             << "ks.db"
                                             << "~/data"
                                             << "@" << program;
    QTest::newRow("access bank beside the program, any case") << ""
                                                              << "KS.MDB"
                                                              << "-"
                                                              << "@" << program;
    QTest::newRow("other files beside the program") << ""
                                                    << "ks.db-journal"
                                                    << "~/data"
                                                    << "~/data/veltaro" << user;
    QTest::newRow("XDG_DATA_HOME unset") << ""
                                         << ""
                                         << "-"
                                         << "~/.local/share/veltaro" << user;
    QTest::newRow("XDG_DATA_HOME empty") << ""
                                         << ""
                                         << ""
                                         << "~/.local/share/veltaro" << user;
    QTest::newRow("XDG_DATA_HOME relative is ignored") << ""
                                                       << ""
                                                       << "rel/data"
                                                       << "~/.local/share/veltaro" << user;
}

void BankFolderTest::choiceFollowsTheOrder() {
    QFETCH(QString, option);
    QFETCH(QString, programHolds);
    QFETCH(QString, xdg);
    QFETCH(QString, expected);
    QFETCH(int, source);
    const QString home = this->home();
    const QString programDir = home + "/opt/veltaro/bin";
    QDir().mkpath(programDir);
    if (!programHolds.isEmpty())
        writeFile(programDir + "/" + programHolds, "x");
    if (xdg != "-")
        qputenv("XDG_DATA_HOME", QFile::encodeName(QString(xdg).replace("~", home)));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(home);
    const bankfolder::Choice choice = bankfolder::choose(option, programDir);
    QDir::setCurrent(previous);
    QCOMPARE(choice.path, QString(expected).replace("~", home).replace("@", programDir));
    QCOMPARE(int(choice.source), source);
}

void BankFolderTest::seedingFillsOnceAndNeverReplaces() {
    const QString home = this->home();
    makeDemo(home + "/demo");
    const QString bank = bankfolder::userFolder();
    QCOMPARE(bank, home + "/.local/share/veltaro");

    bankfolder::SeedResult first = bankfolder::seed(bank, home + "/demo");
    QVERIFY2(first.ok(), qPrintable(first.error));
    // ks.db comes last: its presence says the folder is complete.
    QCOMPARE(first.copied, (QStringList{"pic/1-5.png", "wav/1.wav", "wav/2.wav", "ks.db"}));
    QCOMPARE(readFile(bank + "/ks.db"), QByteArray("demo bank"));
    QCOMPARE(readFile(bank + "/wav/2.wav"), QByteArray("recording 2"));
    QVERIFY(!QFileInfo::exists(bank + "/.made-from"));
    QVERIFY(QFileInfo(bank + "/ks.db").permissions() & QFileDevice::WriteOwner);
    QCOMPARE(QDir(bank).entryList(QDir::Files | QDir::Hidden), QStringList{"ks.db"});

    // The user answers, tidies up; later starts give nothing back and replace nothing.
    writeFile(bank + "/ks.db", "my answers");
    QFile::remove(bank + "/pic/1-5.png");
    const bankfolder::SeedResult second = bankfolder::seed(bank, home + "/demo");
    QVERIFY(second.ok());
    QVERIFY(second.copied.isEmpty());
    QCOMPARE(readFile(bank + "/ks.db"), QByteArray("my answers"));
    QVERIFY(!QFileInfo::exists(bank + "/pic/1-5.png"));
}

void BankFolderTest::seedingLeavesWhatIsAlreadyThere() {
    const QString home = this->home();
    makeDemo(home + "/demo");

    // An Access bank waiting to be imported: a demo ks.db would stop the import for good.
    const QString withAccess = home + "/access";
    writeFile(withAccess + "/Ks.Mdb", "access");
    QVERIFY(bankfolder::seed(withAccess, home + "/demo").copied.isEmpty());
    QVERIFY(!QFileInfo::exists(withAccess + "/ks.db"));

    // A folder with no bank yet but recordings of the user's own (or an interrupted seeding):
    // what is missing is added, what is there stays.
    const QString partial = home + "/partial";
    writeFile(partial + "/wav/1.wav", "my own recording");
    QFile::link(home + "/nowhere", partial + "/wav/2.wav");
    const bankfolder::SeedResult s = bankfolder::seed(partial, home + "/demo");
    QVERIFY2(s.ok(), qPrintable(s.error));
    QCOMPARE(s.copied, (QStringList{"pic/1-5.png", "ks.db"}));
    QCOMPARE(readFile(partial + "/wav/1.wav"), QByteArray("my own recording"));
    QVERIFY(QFileInfo(partial + "/wav/2.wav").isSymLink());
    QVERIFY(!QFileInfo::exists(home + "/nowhere"));
}

void BankFolderTest::seedingFailuresAreTold() {
    const QString home = this->home();
    // No demo installed: nothing is made up, and the message names where it was looked for.
    const bankfolder::SeedResult noDemo = bankfolder::seed(home + "/bank", home + "/no-demo");
    QVERIFY(noDemo.error.startsWith(QString("找不到示例题库：")));
    QVERIFY(noDemo.error.contains(home + "/no-demo"));
    QVERIFY(!QFileInfo::exists(home + "/bank/ks.db"));

    // The folder cannot be made: a file stands where it should be.
    makeDemo(home + "/demo");
    writeFile(home + "/blocked", "a file");
    const bankfolder::SeedResult blocked = bankfolder::seed(home + "/blocked/veltaro", home + "/demo");
    QVERIFY(blocked.error.startsWith(QString("无法建立题库文件夹：")));
    QVERIFY(blocked.copied.isEmpty());

    // A --bank folder that does not exist is refused rather than made.
    const bankfolder::Prepared missing = bankfolder::prepare(home + "/typo", home + "/bin");
    QVERIFY(missing.error.contains(QString("题库文件夹不存在")));
    QVERIFY(!QFileInfo::exists(home + "/typo"));
}

void BankFolderTest::prepareSeedsFromTheDemoBesideTheProgram() {
    const QString home = this->home();
    // Laid out as installed: <prefix>/bin/veltaro and <prefix>/share/veltaro.
    makeDemo(home + "/prefix/share/veltaro");
    QDir().mkpath(home + "/prefix/bin");
    QCOMPARE(bankfolder::demoFolder(home + "/prefix/bin"), home + "/prefix/share/veltaro");

    const bankfolder::Prepared first = bankfolder::prepare(QString(), home + "/prefix/bin");
    QVERIFY2(first.error.isEmpty() && first.warning.isEmpty(), qPrintable(first.error + first.warning));
    QCOMPARE(first.choice.path, home + "/.local/share/veltaro");
    QVERIFY(first.seeded.contains("ks.db"));
    QCOMPARE(readFile(home + "/.local/share/veltaro/wav/1.wav"), QByteArray("recording 1"));

    const bankfolder::Prepared again = bankfolder::prepare(QString(), home + "/prefix/bin");
    QVERIFY(again.seeded.isEmpty());

    // A --bank folder and a portable folder are used as they are: nothing is copied into them.
    QDir().mkpath(home + "/empty");
    const bankfolder::Prepared chosen = bankfolder::prepare(home + "/empty", home + "/prefix/bin");
    QVERIFY(chosen.error.isEmpty());
    QVERIFY(QDir(home + "/empty").isEmpty());
}

void BankFolderTest::commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("bankDir");
    QTest::addColumn<QString>("textHas");
    QTest::addColumn<bool>("toolkit");

    const int run = int(commandline::Action::Run);
    const int help = int(commandline::Action::ShowHelp);
    const int version = int(commandline::Action::ShowVersion);
    const int fail = int(commandline::Action::Fail);
    QTest::newRow("nothing") << QStringList{"veltaro"} << run << ""
                             << "" << false;
    QTest::newRow("no arguments at all") << QStringList{} << run << ""
                                         << "" << false;
    QTest::newRow("--bank DIR") << QStringList{"veltaro", "--bank", "/tmp/我的题库"} << run << "/tmp/我的题库"
                                << "" << false;
    QTest::newRow("--bank=DIR") << QStringList{"veltaro", "--bank=b c"} << run << "b c"
                                << "" << false;
    QTest::newRow("-bank DIR") << QStringList{"veltaro", "-bank", "x"} << run << "x"
                               << "" << false;
    QTest::newRow("--help") << QStringList{"veltaro", "--help"} << help << ""
                            << "用法" << false;
    QTest::newRow("-h") << QStringList{"veltaro", "-h"} << help << ""
                        << "--bank" << false;
    QTest::newRow("help beside a mistake") << QStringList{"veltaro", "--nope", "--help"} << help << ""
                                           << "用法" << false;
    QTest::newRow("--version") << QStringList{"veltaro", "--version"} << version << ""
                               << "veltaro " + commandline::version() << false;
    QTest::newRow("-v") << QStringList{"veltaro", "-v", "--bank", "x"} << version << ""
                        << "veltaro" << false;
    QTest::newRow("unknown option") << QStringList{"veltaro", "--bnak", "x"} << fail << ""
                                    << "不认识的选项：--bnak" << false;
    QTest::newRow("missing value") << QStringList{"veltaro", "--bank"} << fail << ""
                                   << "缺少" << false;
    QTest::newRow("empty value") << QStringList{"veltaro", "--bank="} << fail << ""
                                 << "需要一个文件夹" << false;
    QTest::newRow("extra argument") << QStringList{"veltaro", "ks.db"} << fail << ""
                                    << "多余的参数：ks.db" << false;
    QTest::newRow("toolkit option") << QStringList{"veltaro", "-platform", "offscreen"} << fail << ""
                                    << "" << true;
}

void BankFolderTest::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QString, bankDir);
    QFETCH(QString, textHas);
    QFETCH(bool, toolkit);
    const commandline::Result r = commandline::parse(arguments);
    QCOMPARE(int(r.action), action);
    QCOMPARE(r.options.bankDir, bankDir);
    QVERIFY2(r.text.contains(textHas), qPrintable(r.text));
    QCOMPARE(r.toolkitOptions, toolkit);
    QCOMPARE(r.exitCode, action == int(commandline::Action::Fail) ? 2 : 0);
}

QTEST_GUILESS_MAIN(BankFolderTest)
#include "test_bankfolder.moc"
