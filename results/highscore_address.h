// The highscore address that the game opens in the browser: the home site's page with the
// player's name and the code.
#pragma once

#include <QString>

namespace vantrell {

// Percent-encodes a player name for the address: every UTF-8 byte outside A-Z, a-z, 0-9,
// "-", ".", "_" and "~" becomes %XX, so a space is "%20" and "&" or "#" cannot break the
// query.
QString encodeNameForAddress(const QString &name);

// "http://www." + site + "/index.php?ziel=medsudokuhighscore&name=" + encodedName
// + "&code=" + code. encodedName is used as given (already percent-encoded).
QString highscoreAddress(const QString &site, const QString &encodedName, const QString &code);

} // namespace vantrell
