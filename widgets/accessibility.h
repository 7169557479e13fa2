// What a screen reader learns of the game's own controls: picture buttons and links with
// their roles and press action, pictures, the status bar's panels, and windows whose role
// the plain widget would not tell.
#pragma once

#include <QAccessible>

class QWidget;

namespace vantrell {

// Installs the accessible interfaces of the controls in widgets/ (once).
void installAccessibleControls();

// Gives a plain widget (a window, say) the role a screen reader should announce.
void setAccessibleRole(QWidget *widget, QAccessible::Role role);

// A control that lies under another one and is never seen: no screen reader offers it.
void setUnseen(QWidget *widget);

} // namespace vantrell
