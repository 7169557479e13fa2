// Opening web addresses in the player's browser. Every address the game opens goes
// through openUrl, so tests can record addresses instead of starting a browser.
#pragma once

#include <QString>
#include <functional>

namespace vantrell {

// Opens the address; the outcome is not looked at.
void openUrl(const QString &address);

// Replaces the opener (tests); an empty function restores the browser.
using UrlOpener = std::function<void(const QString &)>;
void setUrlOpener(UrlOpener opener);

} // namespace vantrell
