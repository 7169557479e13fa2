// The splash window: shown first, it shows the main window after 50 ticks and fades out.
// As the first window created it is the application's main window: closing it ends the
// program.
#pragma once

#include <QWidget>
#include <cstdint>

class QLabel;
class QTimer;

namespace vantrell {

class PictureBox;

class Tstart : public QWidget {
    Q_OBJECT
public:
    explicit Tstart(const QString &language);

    const QLabel *spr() const { return spr_; }
    QTimer *timer1() const { return timer1_; }
    std::int32_t startzaehler() const { return startzaehler_; }
    std::uint8_t opacity() const { return opacity_; }
    // Whether it was closed, that is whether the program is to end.
    bool closed() const { return closed_; }
    // The window it shows at the 50th tick.
    void setMainWindow(QWidget *window) { mainWindow_ = window; }

public slots:
    void FormActivate();
    void Timer1Timer();
    void Image1Click();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void setOpacity(std::uint8_t value);

    QLabel *spr_;
    PictureBox *image1_;
    PictureBox *image2_;
    QTimer *timer1_;
    QWidget *mainWindow_ = nullptr;
    std::int32_t startzaehler_ = 0;
    std::uint8_t opacity_ = 255;
    bool closed_ = false;
};

} // namespace vantrell
