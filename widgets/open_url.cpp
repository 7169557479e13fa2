#include "widgets/open_url.h"

#include <QDesktopServices>
#include <QUrl>

namespace vantrell {
namespace {

UrlOpener &opener()
{
    static UrlOpener current;
    return current;
}

} // namespace

bool openUrl(const QString &address)
{
    if (opener())
        return opener()(address);
    // TolerantMode keeps the address as the game composed it.
    return QDesktopServices::openUrl(QUrl(address, QUrl::TolerantMode));
}

void setUrlOpener(UrlOpener newOpener) { opener() = std::move(newOpener); }

} // namespace vantrell
