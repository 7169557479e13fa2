#include "app/create_windows.h"

#include "app/u_start.h"
#include "print/u_druckfenster.h"
#include "results/u_gew_high.h"
#include "results/u_gew_kein.h"
#include "site_config.h"
#include "ui/app_windows.h"
#include "ui/u_hilfe.h"
#include "ui/u_hilfe_en.h"
#include "ui/u_info.h"
#include "ui/u_prog.h"

namespace vantrell {

QString buildLanguage() { return QString::fromLatin1(build::language); }

WindowSet::~WindowSet()
{
    appWindows() = {};
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
        delete *it;
}

std::unique_ptr<WindowSet> createWindows(const QString &language, const std::function<void(QWidget *)> &splashCreated)
{
    std::unique_ptr<WindowSet> set(new WindowSet);
    AppWindows &w = appWindows();
    auto *start = new Tstart(language);
    w.start = start;
    set->windows_.push_back(start);
    if (splashCreated)
        splashCreated(start);
    w.prog = new Tprog(start->spr());
    set->windows_.push_back(w.prog);
    start->setMainWindow(w.prog);
    w.info = new Tinfo;
    set->windows_.push_back(w.info);
    w.gewKein = new Tgew_kein(start->spr(), w.prog);
    set->windows_.push_back(w.gewKein);
    w.gewHigh = new Tgew_high(start->spr(), w.prog);
    set->windows_.push_back(w.gewHigh);
    w.druckfenster = new Tdruckfenster(start->spr(), w.prog, w.prog);
    set->windows_.push_back(w.druckfenster);
    w.hilfe = new Thilfe;
    set->windows_.push_back(w.hilfe);
    w.hilfeEn = new Thilfe_en;
    set->windows_.push_back(w.hilfeEn);
    return set;
}

} // namespace vantrell
