#include "play/board_speech.h"

#include <QStringList>

namespace vantrell {

QString spokenElement(char elemente, int v, const BoardSpeech &speech)
{
    if (v < 1 || v > 9)
        return QString::number(v);
    if (elemente == 'C')
        return QString(QChar(u'A' + (v - 1)));
    if (elemente == 'S' && !speech.symbols[std::size_t(v - 1)].isEmpty())
        return speech.symbols[std::size_t(v - 1)];
    return QString::number(v);
}

QString spokenCell(const GameState &state, int x, int y, const BoardSpeech &speech)
{
    if (speech.cell.isEmpty())
        return {}; // a build without the language's texts
    const int value = state.eingabe(x, y);
    QString what;
    if (value >= 1 && value <= 9) {
        what = spokenElement(state.elemente, value, speech);
        if (state.vorgabe(x, y) != 0)
            what = QString(speech.given).replace(QLatin1String("%1"), what);
    } else {
        QStringList open;
        for (int v = 1; v <= 9; ++v)
            if (state.markierungen.value(x, y, v) == 0 && state.gesperrt.value(x, y, v) == 0)
                open << spokenElement(state.elemente, v, speech);
        what = open.isEmpty() ? speech.empty
                              : QString(speech.candidates).replace(QLatin1String("%1"), open.join(speech.separator));
    }
    return speech.cell.arg(QString::number(y), QString::number(x), what);
}

} // namespace vantrell
