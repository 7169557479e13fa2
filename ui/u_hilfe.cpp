#include "ui/u_hilfe.h"

namespace vantrell {

Thilfe::Thilfe(QWidget *parent) : HelpBook(HelpLanguage::German, parent)
{
    setObjectName(QStringLiteral("hilfe"));
}

} // namespace vantrell
