#include "ui/u_hilfe.h"

#include "ui/tool_window.h"

namespace vantrell {

Thilfe::Thilfe(QWidget *parent) : QWidget(parent, kClosableToolWindow)
{
    setObjectName(QStringLiteral("hilfe"));
    setWindowTitle(QStringLiteral("Sudoku - Vantrell Media"));
    setFixedSize(543, 495);
}

} // namespace vantrell
