// The floor that the Windows program's start-up is measured against: the least a
// window program built with the same static Qt does before its window shows.
#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Do It!  System Info..."));
    window.setWindowTitle(QStringLiteral("Minimal Qt window"));
    window.resize(320, 120);
    window.show();
    return app.exec();
}
