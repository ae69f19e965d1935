#include "app/MainWindow.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Veltaro"));
    MainWindow window(QCoreApplication::applicationDirPath());
    window.show();
    return QApplication::exec();
}
