// What a screen reader learns of the game's own controls: picture buttons and links with
// their roles and press action, pictures, the status bar's panels, and windows whose role
// the plain widget would not tell.
#pragma once

#include <QAccessible>

#include <array>
#include <cstddef>

class QWidget;

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

// Installs the accessible interfaces of the controls in widgets/ (once).
void installAccessibleControls();

// Gives a plain widget (a window, say) the role a screen reader should announce.
void setAccessibleRole(QWidget *widget, QAccessible::Role role);

// A control that lies under another one and is never seen: no screen reader offers it.
void setUnseen(QWidget *widget);

} // namespace vantrell
