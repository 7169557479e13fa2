#include "app/create_windows.h"
#include "ui/app_windows.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrell Sudoku"));
    // No display name: Qt would append it to every window caption.
    // The program ends when the splash window, its main window, is closed.
    QApplication::setQuitOnLastWindowClosed(false);
    // The splash goes on the screen at once; the other windows are built behind it.
    const auto windows = vantrell::createWindows(vantrell::buildLanguage(), [](QWidget *splash) {
        splash->show();
        QCoreApplication::processEvents();
    });
    return QApplication::exec();
}
