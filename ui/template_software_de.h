// The panel listing our other programs, shown on the help windows' software page.
// SoftwarePanel holds the whole panel; TFrame1 (German) and TFrame2 (English,
// template_software_en.h) only choose the language.
#pragma once

#include "ui/help_texts.h"

#include <QWidget>

class QScrollArea;

namespace vantrell {

class SoftwarePanel : public QWidget {
    Q_OBJECT
public:
    QScrollArea *scrollBox() const { return scrollBox_; }

    static constexpr int kWheelStep = 10;

protected:
    // number: 1 for the German panel, 2 for the English one (names Frame1, ScrollBox1, ...).
    SoftwarePanel(HelpLanguage language, int number, QWidget *parent);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watch(QWidget *widget);

    QScrollArea *scrollBox_ = nullptr;
};

class TFrame1 : public SoftwarePanel {
    Q_OBJECT
public:
    explicit TFrame1(QWidget *parent = nullptr);
};

} // namespace vantrell
