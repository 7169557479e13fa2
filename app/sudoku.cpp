#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrell Sudoku"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Vantrell Sudoku 1.2"));
    window.resize(737, 582);
    window.show();
    return app.exec();
}
