#include "app/create_windows.h"

#include "app/u_start.h"
#include "play/board_accessible.h"
#include "print/u_druckfenster.h"
#include "results/u_gew_high.h"
#include "results/u_gew_kein.h"
#include "site_config.h"
#include "ui/app_windows.h"
#include "ui/texts.h"
#include "ui/u_hilfe.h"
#include "ui/u_hilfe_en.h"
#include "ui/u_info.h"
#include "ui/u_prog.h"
#include "widgets/accessibility.h"
#include "widgets/keyboard_cues.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>

namespace vantrell {

QString buildLanguage() { return QString::fromLatin1(build::language); }

WindowSet::~WindowSet()
{
    appWindows() = {};
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
        delete *it;
}

std::unique_ptr<WindowSet> createWindows(const QString &language, const std::function<void(QWidget *)> &windowCreated)
{
    std::unique_ptr<WindowSet> set(new WindowSet);
    AppWindows &w = appWindows();
    installAccessibleControls();
    installBoardAccessibility();
    watchKeyboardUse();
    const LanguageTexts texts = textsFor(language);
    auto created = [&](QWidget *window) {
        set->windows_.push_back(window);
        if (windowCreated)
            windowCreated(window);
    };
    auto *start = new Tstart(language);
    w.start = start;
    created(start);
    w.prog = new Tprog(start->spr());
    start->setMainWindow(w.prog);
    created(w.prog);
    w.info = new Tinfo;
    created(w.info);
    w.gewKein = new Tgew_kein(start->spr(), w.prog, w.prog);
    w.gewKein->setSpeech(texts.results);
    created(w.gewKein);
    w.gewHigh = new Tgew_high(start->spr(), w.prog, w.prog);
    w.gewHigh->setSpeech(texts.results);
    created(w.gewHigh);
    w.druckfenster = new Tdruckfenster(start->spr(), w.prog, w.prog);
    w.druckfenster->setSpeech(texts.printDialog);
    created(w.druckfenster);
    w.hilfe = new Thilfe;
    created(w.hilfe);
    w.hilfeEn = new Thilfe_en;
    created(w.hilfeEn);
    return set;
}

namespace {
constexpr qint64 kActivationWaitMs = 100;
constexpr QEventLoop::ProcessEventsFlags kNoInput = QEventLoop::ExcludeUserInputEvents;
}

std::unique_ptr<WindowSet> startUp(const QString &language)
{
    auto set = createWindows(language, [](QWidget *window) {
        if (window == appWindows().start) {
            // The splash counts its ticks from its activation: the window manager's answer
            // is awaited (briefly; without a window manager none comes) before the main
            // window is built.
            window->show();
            QElapsedTimer waited;
            waited.start();
            while (!window->isActiveWindow() && waited.elapsed() < kActivationWaitMs)
                QCoreApplication::processEvents(kNoInput | QEventLoop::WaitForMoreEvents);
        }
        QCoreApplication::processEvents(kNoInput);
    });
    // Closing the splash ends the program, but a quit before the event loop runs is lost.
    if (static_cast<Tstart *>(appWindows().start)->closed())
        return nullptr;
    return set;
}

int runGame(int &argc, char **argv, const QString &language)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrell Sudoku"));
    // No display name: Qt would append it to every window caption.
    // The program ends when the splash window, its main window, is closed.
    QApplication::setQuitOnLastWindowClosed(false);
    const auto windows = startUp(language);
    if (!windows)
        return 0;
    return QApplication::exec();
}

} // namespace vantrell
