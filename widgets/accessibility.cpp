#include "widgets/accessibility.h"

#include "widgets/controls.h"
#include "widgets/status_bar.h"

#include <QAccessibleWidget>
#include <QTabBar>

#include <array>

namespace vantrell {
namespace {

const char *const kRoleProperty = "vantrellAccessibleRole";
const char *const kUnseenProperty = "vantrellUnseen";

// A plain widget whose state a reader must hear otherwise: one that is never seen, or one
// that hands its focus on (a scroll area's viewport, which Qt counts as focused along with
// its scroll area).
class PlainWidgetAccessible : public QAccessibleWidget {
public:
    PlainWidgetAccessible(QWidget *widget, bool unseen) : QAccessibleWidget(widget), unseen_(unseen) {}
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.invisible = s.invisible || unseen_;
        if (widget()->focusProxy())
            s.focused = false;
        return s;
    }

private:
    bool unseen_;
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

// A control whose accessible children are its N parts at most, made on first demand.
template <typename Control, typename Part, std::size_t N>
class PartsAccessible : public QAccessibleWidget {
public:
    PartsAccessible(Control *control, QAccessible::Role role) : QAccessibleWidget(control, role) {}

    Control *control() const { return static_cast<Control *>(widget()); }

    int childCount() const override { return qMin(partCount(), int(N)); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        return parts_.at(std::size_t(index), [&] { return new Part(control(), index); });
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (int i = 0; i < childCount(); ++i)
            if (this->child(i) == child)
                return i;
        return -1;
    }

protected:
    virtual int partCount() const = 0;

private:
    mutable AccessibleChildren<N> parts_;
};

// One panel of the status bar; its name is the panel's text.
class PanelAccessible : public WidgetPartAccessible<StatusBar>, public QAccessibleActionInterface {
public:
    PanelAccessible(StatusBar *bar, int index) : WidgetPartAccessible(bar), index_(index) {}

    bool isValid() const override { return bar() && index_ < bar()->panelCount(); }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name && bar() ? bar()->panelText(index_) : QString();
    }
    QRect rect() const override { return bar() ? onScreen(bar()->panelRect(index_)) : QRect(); }
    QAccessible::Role role() const override { return isLink() ? QAccessible::Link : QAccessible::StaticText; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.invisible = !bar() || !bar()->isVisible();
        s.readOnly = true;
        // The link panel is where the bar's focus is.
        s.focusable = isLink();
        s.focused = isLink() && bar()->hasFocus();
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
        if (action == pressAction() && bar() && isLink())
            emit bar()->clickedAt(bar()->panelLeft(index_));
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    StatusBar *bar() const { return owner(); }
    bool isLink() const { return bar() && bar()->linkPanel() == index_; }

    int index_;
};

class StatusBarAccessible : public PartsAccessible<StatusBar, PanelAccessible, 8> {
public:
    explicit StatusBarAccessible(StatusBar *bar) : PartsAccessible(bar, QAccessible::StatusBar) {}

    QAccessibleInterface *childAt(int x, int y) const override
    {
        const int panel = control()->panelAt(control()->mapFromGlobal(QPoint(x, y)).x());
        return panel >= 0 ? child(panel) : nullptr;
    }
    QAccessibleInterface *focusChild() const override
    {
        return control()->hasFocus() && control()->linkPanel() >= 0 ? child(control()->linkPanel()) : nullptr;
    }

protected:
    int partCount() const override { return control()->panelCount(); }
};

// One tab of a tab bar. Qt's own tab reports the current tab as focused wherever the focus
// is, so a screen reader that asks where the focus is would hear the tab: here the current
// tab is focused only while its bar has the focus.
class TabAccessible : public WidgetPartAccessible<QTabBar>, public QAccessibleActionInterface {
public:
    TabAccessible(QTabBar *bar, int index) : WidgetPartAccessible(bar), index_(index) {}

    bool isValid() const override { return owner() && index_ < owner()->count(); }
    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        if (t == QAccessible::Name) {
            const QString name = owner()->accessibleTabName(index_);
            return name.isEmpty() ? QString(owner()->tabText(index_)).remove(QLatin1Char('&')) : name;
        }
        return t == QAccessible::Description ? owner()->tabToolTip(index_) : QString();
    }
    QRect rect() const override { return isValid() ? onScreen(owner()->tabRect(index_)) : QRect(); }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid())
            return s;
        const bool current = index_ == owner()->currentIndex();
        s.invisible = !owner()->isVisible() || !owner()->isTabVisible(index_);
        s.disabled = !owner()->isEnabled() || !owner()->isTabEnabled(index_);
        s.focusable = owner()->focusPolicy() != Qt::NoFocus;
        s.focused = current && owner()->hasFocus();
        s.selectable = true;
        s.selected = current;
        s.checkable = true;
        s.checked = current;
        return s;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &action) override
    {
        if (action == pressAction() && isValid() && owner()->isTabEnabled(index_))
            owner()->setCurrentIndex(index_);
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    int index_;
};

class TabBarAccessible : public PartsAccessible<QTabBar, TabAccessible, 16> {
public:
    explicit TabBarAccessible(QTabBar *bar) : PartsAccessible(bar, QAccessible::PageTabList) {}

    QAccessibleInterface *childAt(int x, int y) const override
    {
        return child(control()->tabAt(control()->mapFromGlobal(QPoint(x, y))));
    }
    QAccessibleInterface *focusChild() const override
    {
        return control()->hasFocus() ? child(control()->currentIndex()) : nullptr;
    }

protected:
    int partCount() const override { return control()->count(); }
};

QAccessibleInterface *controlsFactory(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return nullptr;
    if (widget->property(kUnseenProperty).toBool())
        return new PlainWidgetAccessible(widget, true);
    if (className == QLatin1String("QWidget") && widget->focusProxy())
        return new PlainWidgetAccessible(widget, false);
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
    if (className == QLatin1String("QTabBar"))
        return new TabBarAccessible(static_cast<QTabBar *>(widget));
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
