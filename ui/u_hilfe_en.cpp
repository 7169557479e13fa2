#include "ui/u_hilfe_en.h"

namespace vantrell {

Thilfe_en::Thilfe_en(QWidget *parent) : HelpBook(HelpLanguage::English, parent)
{
    setObjectName(QStringLiteral("hilfe_en"));
}

} // namespace vantrell
