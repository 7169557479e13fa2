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
    // The part of the bar that panel `index` covers.
    QRect panelRect(int index) const;

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
    // Acts on a panel whose text changed: at once, then at most once an interval while the
    // text goes on changing, and always on its last text.
    class Pacer {
    public:
        Pacer(StatusBar *bar, int intervalMs, void (StatusBar::*act)(int));
        void changed(int index);

    private:
        StatusBar *bar_;
        void (StatusBar::*act_)(int);
        QTimer *timer_;
        std::vector<bool> pending_;
    };

    void announce(int index);

    std::vector<int> widths_;
    QStringList texts_;
    int linkPanel_ = -1;
    // The clock changes the points 20 times a second, and each of them is drawn; a screen
    // reader hears of them at most once a second.
    Pacer announcing_{this, 1000, &StatusBar::announce};
};

} // namespace vantrell
