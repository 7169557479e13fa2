// The player's name in the highscore address. The name is whatever the player typed, so
// the input is taken as UTF-8 the way a text box would hand it over (invalid sequences
// become U+FFFD); the name the address carries must arrive at the page as exactly that text,
// and nothing in it may add, drop or change another part of the address.
#include "core/highscore_code.h"
#include "results/highscore_address.h"

#include "site_config.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QUrlQuery>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace vantrell;

namespace {

void require(bool holds, const char *what, const QString &detail = {})
{
    if (holds)
        return;
    std::fprintf(stderr, "highscore_address_fuzzer: %s [%s]\n", what, detail.toUtf8().constData());
    std::abort();
}

bool unreserved(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
           || c == '_' || c == '~';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1; // lower case is not what the page has always been sent
}

// Undoes the percent-encoding by hand and insists on its one canonical form: unreserved
// characters as they are, every other byte as %XX.
void checkEncoding(const QString &name, const QString &encoded)
{
    const QByteArray bytes = encoded.toLatin1();
    require(QString::fromLatin1(bytes) == encoded, "the encoded name is not ASCII", encoded);
    QByteArray decoded;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (unreserved(c)) {
            decoded += c;
            continue;
        }
        require(c == '%' && i + 2 < bytes.size(),
                "a reserved character in the encoded name", encoded);
        const int high = hexValue(bytes[i + 1]);
        const int low = hexValue(bytes[i + 2]);
        require(high >= 0 && low >= 0, "a broken escape in the encoded name", encoded);
        const char byte = char(high * 16 + low);
        require(!unreserved(byte), "an unreserved character was escaped", encoded);
        decoded += byte;
        i += 2;
    }
    require(decoded == name.toUtf8(), "the encoded name is not the name's UTF-8", encoded);
}

bool hasNonCharacter(const QString &name)
{
    for (const char32_t c : name.toUcs4())
        if (QChar::isNonCharacter(c))
            return true;
    return false;
}

void checkAddress(const QString &site, const QString &name, const QString &encoded, const QString &code)
{
    const QString address = highscoreAddress(site, encoded, code);

    // What the browser is handed: openUrl wraps the address in a tolerant QUrl.
    const QUrl opened(address, QUrl::TolerantMode);
    require(opened.toEncoded() == address.toLatin1(), "the opened address is not the one built", address);

    const QUrl url(address, QUrl::StrictMode);
    require(url.isValid(), "the address does not parse", address);
    require(url.scheme() == QLatin1String("http") && url.host() == QLatin1String("www.") + site
                && url.path() == QLatin1String("/index.php") && !url.hasFragment(),
            "the name broke the address", address);

    const QUrlQuery query(url);
    const auto items = query.queryItems(QUrl::FullyDecoded);
    require(items.size() == 3, "the name changed the number of query items", address);
    require(items[0].first == QLatin1String("ziel") && items[0].second == QLatin1String("medsudokuhighscore"),
            "the target item changed", address);
    require(items[1].first == QLatin1String("name"), "the name item moved", address);
    require(items[2].first == QLatin1String("code") && items[2].second == code, "the code item changed", address);

    // The page percent-decodes the bytes of the item and takes them as the name's UTF-8.
    const QByteArray sent = query.queryItemValue(QStringLiteral("name"), QUrl::FullyEncoded).toLatin1();
    require(QByteArray::fromPercentEncoding(sent) == name.toUtf8(), "the page would read another name", address);
    // Qt's own decoder leaves Unicode noncharacters undecoded (each of their bytes comes back
    // as U+FFFD), although the address carries them correctly; every other name comes back.
    if (!hasNonCharacter(name))
        require(items[1].second == name, "the name does not come back", address);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const QString sites[] = {QString::fromLatin1(build::homeSiteDe), QString::fromLatin1(build::homeSiteEn)};
    static const QString code = [] {
        int draw = 0;
        const auto built = buildHighscoreCode(31415, 1, 27, "K", [&draw](int k) { return ++draw % k; });
        return QString::fromStdString(built.value());
    }();

    const QString name = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString encoded = encodeNameForAddress(name);
    checkEncoding(name, encoded);
    for (const QString &site : sites)
        checkAddress(site, name, encoded, code);
    return 0;
}
