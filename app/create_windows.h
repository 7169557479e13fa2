// Creating the program's windows in their start-up order.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

namespace vantrell {

// Owns the windows; destroying it destroys them in reverse order and clears the
// references of appWindows().
class WindowSet {
public:
    ~WindowSet();
    const std::vector<QWidget *> &creationOrder() const { return windows_; }

private:
    friend std::unique_ptr<WindowSet> createWindows(const QString &language,
                                                    const std::function<void(QWidget *)> &windowCreated);
    std::vector<QWidget *> windows_;
};

// The language of this build ("en" or "de").
QString buildLanguage();

// Creates the eight windows in order (splash, main, information, the two result windows,
// print dialog, German and English help) and fills appWindows(). None is shown, unless
// windowCreated shows one: it runs right after each window is created (the splash first),
// so the program can put the splash on the screen and let it run while the other windows
// are still being built.
std::unique_ptr<WindowSet> createWindows(const QString &language = buildLanguage(),
                                         const std::function<void(QWidget *)> &windowCreated = {});

// The program's start: the splash goes on the screen at once and the other windows are
// built behind it. Between two windows the splash's clock and the window manager's answers
// (its activation) are served, so that no tick of its count is lost while the program
// starts; the player's input waits until every window exists. Null when the splash was
// closed before that: the program then ends at once.
std::unique_ptr<WindowSet> startUp(const QString &language = buildLanguage());

// The whole program: the application object, the start-up, the event loop. Returns the
// exit code.
int runGame(int &argc, char **argv, const QString &language = buildLanguage());

} // namespace vantrell
