// The main window's status bar: panels of fixed widths, the last one drawn to the right end.
#pragma once

#include <QStringList>
#include <QWidget>
#include <vector>

namespace vantrell {

class StatusBar : public QWidget {
    Q_OBJECT
public:
    StatusBar(std::vector<int> panelWidths, QWidget *parent = nullptr);

    int panelCount() const { return static_cast<int>(widths_.size()); }
    QString panelText(int index) const;
    void setPanelText(int index, const QString &text);

    // The panel under x in the bar's coordinates, as drawn: the last panel reaches the
    // right end. -1 left of the bar or past its end.
    int panelAt(int x) const;

signals:
    void clickedAt(int x);
    void mouseMovedTo(int x);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    std::vector<int> widths_;
    QStringList texts_;
};

} // namespace vantrell
