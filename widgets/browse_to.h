// Link labels and the addresses the help windows open.
#pragma once

#include "widgets/controls.h"

#include <QString>

namespace vantrell {

// "http://www." + target + referrer; a bare ".de"/".com" domain gets a "/" before the referrer.
QString referrerAddress(const QString &target);

// Opens the page named by a link label's caption, with referrer.
void BrowseToCaption(const QString &caption);
// Opens the page named by a picture button's hint, with referrer.
void BrowseToHint(const QString &hint);

// A bold, underlined link with a hand cursor; Tab reaches it, Space or Enter opens it. It
// keeps its mouse presses, so a click on it never reaches a drag handle underneath.
class LinkLabel : public ClickLabel {
    Q_OBJECT
public:
    explicit LinkLabel(const QString &caption, QWidget *parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

// A link label that opens `address` as it stands, or with an empty address its caption
// through BrowseToCaption.
LinkLabel *makeLink(const QString &caption, const QString &address, QWidget *parent);

} // namespace vantrell
