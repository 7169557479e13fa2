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
                                                    const std::function<void(QWidget *)> &splashCreated);
    std::vector<QWidget *> windows_;
};

// The language of this build ("en" or "de").
QString buildLanguage();

// Creates the eight windows in order (splash, main, information, the two result windows,
// print dialog, German and English help) and fills appWindows(). None is shown, unless
// splashCreated shows the splash: it runs right after the splash window is created, so the
// program can put it on the screen while the other windows are still being built.
std::unique_ptr<WindowSet> createWindows(const QString &language = buildLanguage(),
                                         const std::function<void(QWidget *)> &splashCreated = {});

} // namespace vantrell
