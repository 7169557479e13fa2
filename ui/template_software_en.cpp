#include "ui/template_software_en.h"

namespace vantrell {

TFrame2::TFrame2(QWidget *parent) : SoftwarePanel(HelpLanguage::English, 2, parent) {}

} // namespace vantrell
