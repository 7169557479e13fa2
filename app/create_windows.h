// Creating the program's windows in their start-up order.
#pragma once

#include <QString>
#include <QWidget>
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
    friend std::unique_ptr<WindowSet> createWindows(const QString &language);
    std::vector<QWidget *> windows_;
};

// The language of this build ("en" or "de").
QString buildLanguage();

// Creates the eight windows in order (splash, main, information, the two result windows,
// print dialog, German and English help) and fills appWindows(). None is shown.
std::unique_ptr<WindowSet> createWindows(const QString &language = buildLanguage());

} // namespace vantrell
