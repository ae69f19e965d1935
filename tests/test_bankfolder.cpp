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

    auto row = [](const char* name, const char* option, const char* holds, const char* xdg,
                  const char* expected, bankfolder::Source source) {
        QTest::newRow(name) << QString(option) << QString(holds) << QString(xdg) << QString(expected)
                            << int(source);
    };
    using bankfolder::Source;
    row("option wins over a bank beside the program", "mine/../banks/a", "ks.db", "-", "~/banks/a",
        Source::Option);
    row("bank beside the program", "", "ks.db", "~/data", "@", Source::ProgramFolder);
    row("access bank beside the program, any case", "", "KS.MDB", "-", "@", Source::ProgramFolder);
    row("other files beside the program", "", "ks.db-journal", "~/data", "~/data/veltaro",
        Source::UserFolder);
    // A classroom computer: the program's folder names the server bank.
    row("server bank named beside the program", "", "veltaro.ini", "~/data", "@", Source::ProgramFolder);
    row("settings beside the program without a server", "", "veltaro.ini:[bank]", "~/data", "~/data/veltaro",
        Source::UserFolder);
    row("XDG_DATA_HOME unset", "", "", "-", "~/.local/share/veltaro", Source::UserFolder);
    row("XDG_DATA_HOME empty", "", "", "", "~/.local/share/veltaro", Source::UserFolder);
    row("XDG_DATA_HOME relative is ignored", "", "", "rel/data", "~/.local/share/veltaro",
        Source::UserFolder);
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
        writeFile(programDir + "/" + programHolds.section(':', 0, 0),
                  programHolds == "veltaro.ini" ? "[bank]\ndatabase=postgresql://h/db\n"
                                                : programHolds.section(':', 1).toUtf8());
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

    // A folder given with --bank is used as it is: nothing is copied into it.
    makeDemo(home + "/prefix/share/veltaro");
    QDir().mkpath(home + "/empty");
    const bankfolder::Prepared chosen = bankfolder::prepare(home + "/empty", home + "/prefix/bin");
    QVERIFY(chosen.error.isEmpty());
    QVERIFY(QDir(home + "/empty").isEmpty());
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

void BankFolderTest::commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("bankDir");
    QTest::addColumn<QString>("textHas");
    QTest::addColumn<bool>("toolkit");
    QTest::addColumn<QString>("database");

    using commandline::Action;
    auto row = [](const char* name, const QStringList& args, Action action, const char* bankDir,
                  const QString& textHas, bool toolkit = false, const char* database = "") {
        QTest::newRow(name) << (QStringList{"veltaro"} + args) << int(action) << QString(bankDir) << textHas
                            << toolkit << QString(database);
    };
    row("nothing", {}, Action::Run, "", "");
    row("--bank DIR", {"--bank", "/tmp/我的题库"}, Action::Run, "/tmp/我的题库", "");
    row("--bank=DIR", {"--bank=b c"}, Action::Run, "b c", "");
    row("-bank DIR", {"-bank", "x"}, Action::Run, "x", "");
    row("--help", {"--help"}, Action::ShowHelp, "", "--bank <文件夹>");
    row("help beside a mistake", {"--nope", "--help"}, Action::ShowHelp, "", "用法");
    row("--version", {"--version"}, Action::ShowVersion, "", "veltaro " + commandline::version());
    row("-v", {"-v", "--bank", "x"}, Action::ShowVersion, "", "veltaro");
    row("unknown option", {"--bnak", "x"}, Action::Fail, "", "不认识的选项：--bnak");
    row("missing value", {"--bank"}, Action::Fail, "", "缺少");
    row("empty value", {"--bank="}, Action::Fail, "", "需要一个文件夹");
    row("extra argument", {"ks.db"}, Action::Fail, "", "多余的参数：ks.db");
    row("toolkit option", {"-platform", "offscreen"}, Action::Fail, "", "", true);
    row("--database URL", {"--database", " postgresql://u@h/考场 ", "--bank", "x"}, Action::Run, "x", "",
        false, "postgresql://u@h/考场");
    row("--database not a server", {"--database", "ks.db"}, Action::Fail, "", "不是 PostgreSQL 的连接地址");
    row("--database bad port", {"--database=postgresql://h:x/db"}, Action::Fail, "", "端口");
    row("help names --database", {"--help"}, Action::ShowHelp, "", "--database <地址>");
}

void BankFolderTest::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QString, bankDir);
    QFETCH(QString, textHas);
    QFETCH(bool, toolkit);
    QFETCH(QString, database);
    const commandline::Result r = commandline::parse(arguments);
    QCOMPARE(r.options.databaseUrl, database);
    QCOMPARE(int(r.action), action);
    QCOMPARE(r.options.bankDir, bankDir);
    QVERIFY2(r.text.contains(textHas), qPrintable(r.text));
    QCOMPARE(r.toolkitOptions, toolkit);
    QCOMPARE(r.exitCode, action == int(commandline::Action::Fail) ? 2 : 0);
}

QTEST_GUILESS_MAIN(BankFolderTest)
#include "test_bankfolder.moc"
