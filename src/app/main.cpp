#include "app/BankFolder.h"
#include "app/BankLock.h"
#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/WindowPlacement.h"
#include "ui/Icons.h"
#include "ui/UserSettings.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QSettings>
#include <QTranslator>
#include <cstdio>

namespace {

void print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char* argv[]) {
    // Help, version and a mistyped option are answered before anything needs a display.
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    const commandline::Result early = commandline::parse(raw);
    if (early.action == commandline::Action::ShowHelp || early.action == commandline::Action::ShowVersion) {
        print(stdout, early.text);
        return 0;
    }
    if (early.action == commandline::Action::Fail && !early.toolkitOptions) {
        print(stderr, early.text);
        return early.exitCode;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Veltaro"));
    QApplication::setApplicationVersion(commandline::version());
    QGuiApplication::setDesktopFileName(QStringLiteral("org.veltaro.Veltaro"));
    QApplication::setWindowIcon(icons::program());
    // Qt has taken its own options (-platform, -style, …) out: what is left is ours.
    const commandline::Result command = commandline::parse(QCoreApplication::arguments());
    if (command.action == commandline::Action::Fail) {
        print(stderr, command.text);
        return command.exitCode;
    }

    const bankfolder::Prepared bank =
        bankfolder::prepare(command.options.bankDir, QCoreApplication::applicationDirPath());
    if (!bank.error.isEmpty()) {
        print(stderr, bank.error + QLatin1Char('\n'));
        return 2;
    }
    if (!bank.warning.isEmpty())
        print(stderr, bank.warning + QLatin1Char('\n'));
    else if (bank.seeded.contains(QStringLiteral("ks.db")))
        print(stdout, QStringLiteral("已建立题库文件夹 %1，放入了示例题库。\n")
                          .arg(QDir::toNativeSeparators(bank.choice.path)));
    // Recordings are played from wav/ relative to the current folder: that is the bank folder.
    QDir::setCurrent(bank.choice.path);

    // Qt's own dialogs (font, colour, print, preview) speak Chinese like the rest of the program.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qt"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);
    // Kept until the program ends: later programs on the folder see this one.
    const FolderClaim folder = claimBankFolder(bank.choice.path, command.options.databaseUrl, nullptr);
    if (!folder.goOn)
        return 0;
    MainWindow window(bank.choice.path, command.options.databaseUrl);
    // The place and size the window had when it was last closed.
    QSettings settings = userSettings();
    placement::restore(window, settings);
    window.show();
    const int exitCode = QApplication::exec();
    placement::save(window, settings);
    return exitCode;
}
