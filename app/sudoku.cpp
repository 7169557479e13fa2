#include "app/create_windows.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrell Sudoku"));
    // No display name: Qt would append it to every window caption.
    // The program ends when the splash window, its main window, is closed.
    QApplication::setQuitOnLastWindowClosed(false);
    const auto windows = vantrell::startUp();
    if (!windows)
        return 0;
    return QApplication::exec();
}
