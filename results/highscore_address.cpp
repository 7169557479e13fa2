#include "results/highscore_address.h"

#include <QUrl>

namespace vantrell {

QString encodeNameForAddress(const QString &name)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(name));
}

QString highscoreAddress(const QString &site, const QString &encodedName, const QString &code)
{
    return QStringLiteral("http://www.") + site
           + QStringLiteral("/index.php?ziel=medsudokuhighscore&name=") + encodedName
           + QStringLiteral("&code=") + code;
}

} // namespace vantrell
