#include "widgets/browse_to.h"

#include "widgets/open_url.h"

#include <QMouseEvent>

namespace vantrell {
namespace {

void replaceFirst(QString &text, const QString &from, const QString &to)
{
    const qsizetype at = text.indexOf(from, 0, Qt::CaseSensitive);
    if (at >= 0)
        text.replace(at, from.size(), to);
}

} // namespace

QString referrerAddress(const QString &target)
{
    QString address = QStringLiteral("http://www.") + target + QStringLiteral("&rf=") + QStringLiteral("su") +
                      QStringLiteral("h");
    replaceFirst(address, QStringLiteral(".de&"), QStringLiteral(".de/&"));
    replaceFirst(address, QStringLiteral(".com&"), QStringLiteral(".com/&"));
    return address;
}

void BrowseToCaption(const QString &caption) { openUrl(referrerAddress(caption)); }

void BrowseToHint(const QString &hint) { openUrl(referrerAddress(hint)); }

LinkLabel::LinkLabel(const QString &caption, QWidget *parent) : ClickLabel(caption, parent)
{
    QFont f = font();
    f.setBold(true);
    f.setUnderline(true);
    setFont(f);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setActsOnKeys(true);
}

void LinkLabel::mousePressEvent(QMouseEvent *event)
{
    ClickLabel::mousePressEvent(event);
    event->accept();
}

LinkLabel *makeLink(const QString &caption, const QString &address, QWidget *parent)
{
    auto *label = new LinkLabel(caption, parent);
    QObject::connect(label, &ClickLabel::clicked, label, [label, address] {
        if (address.isEmpty())
            BrowseToCaption(label->text());
        else
            openUrl(address);
    });
    return label;
}

} // namespace vantrell
