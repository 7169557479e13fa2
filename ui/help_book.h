// The help window, built alike in both languages: a header picture to drag the window
// by, five pages and buttons to leaf through them. Thilfe and Thilfe_en choose the language.
#pragma once

#include "ui/help_texts.h"

#include <QWidget>

class QPushButton;
class QScrollArea;
class QTabWidget;

namespace vantrell {

class SoftwarePanel;

class HelpBook : public QWidget {
    Q_OBJECT
public:
    enum Page { HelpPage, RegardsPage, SoftwarePage, DonatePage, LicencePage };

    QTabWidget *pc() const { return pc_; }
    SoftwarePanel *softwarePanel() const { return software_; }

    // Select the previous/next page whose tab is shown, wrapping around at either end.
    void previousPage();
    void nextPage();

    // The page `step` pages away from `from`, counting only shown tabs; `from` when no
    // other tab is shown.
    static int neighbourPage(const QTabWidget *pages, int from, int step);

protected:
    HelpBook(HelpLanguage language, QWidget *parent);
    void showEvent(QShowEvent *event) override;
    // Escape closes the window, as its close button does.
    void keyPressEvent(QKeyEvent *event) override;

private:
    QTabWidget *pc_ = nullptr;
    SoftwarePanel *software_ = nullptr;
    bool placed_ = false;
};

// A scrolling column of headings, paragraphs and link labels; Tab stops on it to scroll it
// with the keys, and a screen reader names it by its page.
QScrollArea *makeTextArea(const PageText &blocks, QWidget *parent, const QString &page);

} // namespace vantrell
