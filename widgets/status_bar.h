// The main window's status bar: panels of fixed widths, the last one drawn to the right end.
#pragma once

#include <QStringList>
#include <QWidget>
#include <vector>

class QTimer;

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
    // Where panel `index` starts, and its width as drawn.
    int panelLeft(int index) const;
    int panelWidth(int index) const;

    // A panel that is a link: the bar then takes the focus from Tab, and Space or Enter
    // runs it as a click at the panel's left edge does. -1 for none.
    void setLinkPanel(int index);
    int linkPanel() const { return linkPanel_; }

signals:
    void clickedAt(int x);
    void mouseMovedTo(int x);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void announce(int index);

    std::vector<int> widths_;
    QStringList texts_;
    int linkPanel_ = -1;
    QTimer *announcing_ = nullptr;
    std::vector<bool> unannounced_;
};

} // namespace vantrell
