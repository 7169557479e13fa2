#include "ui/u_hilfe_en.h"

#include "ui/tool_window.h"

namespace vantrell {

Thilfe_en::Thilfe_en(QWidget *parent) : QWidget(parent, kClosableToolWindow)
{
    setObjectName(QStringLiteral("hilfe_en"));
    setWindowTitle(QStringLiteral("Sudoku - Vantrell Media"));
    setFixedSize(543, 495);
}

} // namespace vantrell
