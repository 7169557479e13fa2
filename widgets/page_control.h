// A page control whose change handler runs only for the player's own page changes.
#pragma once

#include <QTabWidget>

namespace vantrell {

class PageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit PageControl(QWidget *parent = nullptr);

    // Selects a page from the program; userChangedPage is not emitted.
    void selectPage(int index);

signals:
    // The player selected another page (by mouse or keyboard); the page is already active.
    void userChangedPage(int index);
    // The control was enabled or disabled (also through its window): the tabs are drawn anew.
    void enabledChanged();

protected:
    void changeEvent(QEvent *event) override;

private:
    bool programmatic_ = false;
};

} // namespace vantrell
