#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Orvan Veilkeep 2.4"));
    window.setWindowTitle(QStringLiteral("Orvan Veilkeep 2.4"));
    window.resize(640, 400);
    window.show();
    return QApplication::exec();
}
