#include "ui/u_info.h"

#include "ui/tool_window.h"

namespace vantrell {

Tinfo::Tinfo(QWidget *parent) : QWidget(parent, kClosableToolWindow)
{
    setObjectName(QStringLiteral("info"));
    setWindowTitle(QStringLiteral("Informationen"));
    setFixedSize(549, 480);
}

} // namespace vantrell
