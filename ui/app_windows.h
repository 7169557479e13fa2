// The program's windows: one instance each, created once at start-up in this order and
// reached through one reference each.
#pragma once

class QWidget;

namespace vantrell {

class Tprog;
class Tinfo;
class Tgew_kein;
class Tgew_high;
class Tdruckfenster;
class Thilfe;
class Thilfe_en;

struct AppWindows {
    QWidget *start = nullptr; // the splash window, the application's main window
    Tprog *prog = nullptr;
    Tinfo *info = nullptr;
    Tgew_kein *gewKein = nullptr;
    Tgew_high *gewHigh = nullptr;
    Tdruckfenster *druckfenster = nullptr;
    Thilfe *hilfe = nullptr;
    Thilfe_en *hilfeEn = nullptr;
};

// The references of the running program (all null before creation and after teardown).
AppWindows &appWindows();

} // namespace vantrell
