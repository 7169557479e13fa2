// What a screen reader learns of the game's own controls: picture buttons and links with
// their roles and press action, pictures, the status bar's panels, and windows whose role
// the plain widget would not tell.
#pragma once

#include <QAccessible>
#include <QPointer>
#include <QWidget>

#include <array>
#include <cstddef>

namespace vantrell {

// The accessible children of a control, made on first demand and kept under their index:
// their ids stay the same for the screen reader, and they go with the control's interface.
template <std::size_t N>
class AccessibleChildren {
public:
    AccessibleChildren() = default;
    AccessibleChildren(const AccessibleChildren &) = delete;
    AccessibleChildren &operator=(const AccessibleChildren &) = delete;
    ~AccessibleChildren()
    {
        for (QAccessible::Id id : ids_)
            if (id)
                QAccessible::deleteAccessibleInterface(id);
    }

    static constexpr std::size_t size() { return N; }

    // The child at index (below N), made by make() the first time it is asked for.
    template <typename Make>
    QAccessibleInterface *at(std::size_t index, Make make)
    {
        QAccessible::Id &id = ids_[index];
        if (!id)
            id = QAccessible::registerAccessibleInterface(make());
        return QAccessible::accessibleInterface(id);
    }

private:
    std::array<QAccessible::Id, N> ids_{};
};

// A part of a control that is no widget of its own (a status bar panel, a page tab, a board
// cell): a leaf under the control's interface, valid as long as the control lives.
template <typename Owner>
class WidgetPartAccessible : public QAccessibleInterface {
public:
    explicit WidgetPartAccessible(Owner *owner) : owner_(owner) {}

    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return owner_ ? owner_->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(owner_.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString &) override {}

protected:
    Owner *owner() const { return owner_.data(); }
    // A rectangle of the control's own on the screen.
    QRect onScreen(const QRect &local) const
    {
        return owner_ ? QRect(owner_->mapToGlobal(local.topLeft()), local.size()) : QRect();
    }

private:
    QPointer<Owner> owner_;
};

// Installs the accessible interfaces of the controls in widgets/ (once).
void installAccessibleControls();

// Gives a plain widget (a window, say) the role a screen reader should announce.
void setAccessibleRole(QWidget *widget, QAccessible::Role role);

// A control that lies under another one and is never seen: no screen reader offers it.
void setUnseen(QWidget *widget);

} // namespace vantrell
