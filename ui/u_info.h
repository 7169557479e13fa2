#pragma once

#include <QWidget>

class QTabWidget;

namespace vantrell {

// The German information window: four pages about the game and about us. It can be
// dragged by any free spot of its client area.
class Tinfo : public QWidget {
    Q_OBJECT
public:
    explicit Tinfo(QWidget *parent = nullptr);

    QTabWidget *blatt() const { return blatt_; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    QTabWidget *blatt_ = nullptr;
    bool placed_ = false;
};

} // namespace vantrell
