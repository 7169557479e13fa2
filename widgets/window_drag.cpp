#include "widgets/window_drag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace vantrell {
namespace {

std::function<void(QWidget *)> &dragHook()
{
    static std::function<void(QWidget *)> hook;
    return hook;
}

class DragFilter : public QObject {
public:
    DragFilter(QWidget *handle, QWidget *window) : QObject(handle), window_(window) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto *e = static_cast<QMouseEvent *>(event);
            if (e->button() != Qt::LeftButton)
                return false;
            if (dragHook()) {
                dragHook()(window_);
                return false;
            }
            manual_ = false;
            QWindow *handle = window_->window()->windowHandle();
            if (!handle || !handle->startSystemMove()) {
                // The platform refuses a system move: follow the mouse ourselves.
                manual_ = true;
                grabOffset_ = e->globalPosition().toPoint() - window_->window()->frameGeometry().topLeft();
            }
            return false;
        }
        case QEvent::MouseMove: {
            auto *e = static_cast<QMouseEvent *>(event);
            if (manual_ && (e->buttons() & Qt::LeftButton))
                window_->window()->move(e->globalPosition().toPoint() - grabOffset_);
            return false;
        }
        case QEvent::MouseButtonRelease:
            manual_ = false;
            return false;
        default:
            return false;
        }
    }

private:
    QWidget *window_;
    bool manual_ = false;
    QPoint grabOffset_;
};

} // namespace

QObject *makeDragHandle(QWidget *handle, QWidget *window)
{
    auto *filter = new DragFilter(handle, window);
    handle->installEventFilter(filter);
    return filter;
}

void setDragStartHook(std::function<void(QWidget *)> hook) { dragHook() = std::move(hook); }

} // namespace vantrell
