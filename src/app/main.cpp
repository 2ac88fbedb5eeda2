#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Zorbex");
    QWidget window;
    window.setWindowTitle(QStringLiteral("Zorbex v4.0i"));
    window.resize(500, 350);
    window.show();
    return app.exec();
}
