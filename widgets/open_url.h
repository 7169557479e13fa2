// Opening web addresses in the player's browser. Every address the game opens goes
// through openUrl, so tests can record addresses instead of starting a browser.
#pragma once

#include <QString>
#include <functional>

namespace vantrell {

// Hands the address to the desktop's browser. False when it could not be handed on (no
// browser and no xdg-open found): what the player wanted sent must not be lost silently.
bool openUrl(const QString &address);

// Replaces the opener (tests); an empty function restores the browser.
using UrlOpener = std::function<bool(const QString &)>;
void setUrlOpener(UrlOpener opener);

} // namespace vantrell
