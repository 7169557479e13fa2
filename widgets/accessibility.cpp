#include "widgets/accessibility.h"

#include "widgets/controls.h"
#include "widgets/status_bar.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QWidget>

#include <array>

namespace vantrell {
namespace {

const char *const kRoleProperty = "vantrellAccessibleRole";
const char *const kUnseenProperty = "vantrellUnseen";

class UnseenAccessible : public QAccessibleWidget {
public:
    explicit UnseenAccessible(QWidget *widget) : QAccessibleWidget(widget) {}
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.invisible = true;
        return s;
    }
};

class PictureAccessible : public QAccessibleWidget {
public:
    explicit PictureAccessible(PictureBox *picture) : QAccessibleWidget(picture) {}

    PictureBox *picture() const { return static_cast<PictureBox *>(widget()); }

    QAccessible::Role role() const override
    {
        switch (picture()->role()) {
        case PictureRole::Button:
            return QAccessible::Button;
        case PictureRole::Link:
            return QAccessible::Link;
        default:
            return QAccessible::Graphic;
        }
    }
    QStringList actionNames() const override
    {
        if (picture()->actsOnKeys() && picture()->isEnabled())
            return {pressAction()};
        return QAccessibleWidget::actionNames();
    }
    void doAction(const QString &action) override
    {
        if (action == pressAction() && picture()->actsOnKeys() && picture()->isEnabled())
            picture()->activate();
        else
            QAccessibleWidget::doAction(action);
    }
};

class LinkAccessible : public QAccessibleWidget {
public:
    explicit LinkAccessible(ClickLabel *label) : QAccessibleWidget(label, QAccessible::Link) {}

    ClickLabel *label() const { return static_cast<ClickLabel *>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && label()->accessibleName().isEmpty())
            return label()->text();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &action) override
    {
        if (action == pressAction())
            label()->activate();
    }
};

class StatusBarAccessible;

// One panel of the status bar; its name is the panel's text.
class PanelAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    PanelAccessible(StatusBar *bar, int index) : bar_(bar), index_(index) {}

    bool isValid() const override { return bar_ && index_ < bar_->panelCount(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return bar_ ? bar_->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(bar_.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name && bar_ ? bar_->panelText(index_) : QString();
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!bar_)
            return {};
        const QRect local(bar_->panelLeft(index_), 0, bar_->panelWidth(index_), bar_->height());
        return QRect(bar_->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override { return isLink() ? QAccessible::Link : QAccessible::StaticText; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.invisible = !bar_ || !bar_->isVisible();
        s.readOnly = true;
        return s;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface && isLink() ? static_cast<QAccessibleActionInterface *>(this)
                                                                 : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &action) override
    {
        if (action == pressAction() && bar_ && isLink())
            emit bar_->clickedAt(bar_->panelLeft(index_));
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    bool isLink() const { return bar_ && bar_->linkPanel() == index_; }

    QPointer<StatusBar> bar_;
    int index_;
};

class StatusBarAccessible : public QAccessibleWidget {
public:
    explicit StatusBarAccessible(StatusBar *bar) : QAccessibleWidget(bar, QAccessible::StatusBar) {}

    StatusBar *bar() const { return static_cast<StatusBar *>(widget()); }

    int childCount() const override { return qMin(bar()->panelCount(), int(panels_.size())); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        return panels_.at(std::size_t(index), [&] { return new PanelAccessible(bar(), index); });
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (int i = 0; i < childCount(); ++i)
            if (this->child(i) == child)
                return i;
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const int panel = bar()->panelAt(bar()->mapFromGlobal(QPoint(x, y)).x());
        return panel >= 0 ? child(panel) : nullptr;
    }
    QAccessibleInterface *focusChild() const override
    {
        return bar()->hasFocus() && bar()->linkPanel() >= 0 ? child(bar()->linkPanel()) : nullptr;
    }

private:
    mutable AccessibleChildren<8> panels_;
};

QAccessibleInterface *controlsFactory(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return nullptr;
    if (widget->property(kUnseenProperty).toBool())
        return new UnseenAccessible(widget);
    const QVariant role = widget->property(kRoleProperty);
    if (role.isValid())
        return new QAccessibleWidget(widget, QAccessible::Role(role.toInt()));
    if (className == QLatin1String("vantrell::PictureBox"))
        return new PictureAccessible(static_cast<PictureBox *>(widget));
    if (className == QLatin1String("vantrell::ClickLabel")) {
        auto *label = static_cast<ClickLabel *>(widget);
        return label->actsOnKeys() ? new LinkAccessible(label) : nullptr;
    }
    if (className == QLatin1String("vantrell::StatusBar"))
        return new StatusBarAccessible(static_cast<StatusBar *>(widget));
    return nullptr;
}

} // namespace

void installAccessibleControls()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(controlsFactory);
}

void setAccessibleRole(QWidget *widget, QAccessible::Role role) { widget->setProperty(kRoleProperty, int(role)); }

void setUnseen(QWidget *widget) { widget->setProperty(kUnseenProperty, true); }

} // namespace vantrell
