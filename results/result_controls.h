// Parts the two result windows share.
#pragma once

#include "ui/controls.h"

#include <QRect>
#include <QString>

class QLabel;
class QWidget;

namespace vantrell {

// The text of the main window's points panel (status panel 2).
QString mainWindowPointsText(const QWidget *mainWindow);

// The dark-red, transparent points label "Label1".
QLabel *makePointsLabel(QWidget *parent, QPoint at);

// A hidden background picture covering the whole window.
PictureBox *makeBackground(QWidget *parent, const char *name, const QString &picture);

// A transparent click area over a button face of the background picture.
PictureBox *makeClickArea(QWidget *parent, const char *name, QRect geometry);

} // namespace vantrell
