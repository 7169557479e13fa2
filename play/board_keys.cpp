#include "play/board_keys.h"

#include <QtGlobal>

namespace vantrell {

BoardKeyCommand boardKeyCommand(const BoardKeyPress &press, int x, int y, int n, char elemente)
{
    const Qt::KeyboardModifiers modifiers = press.modifiers & ~Qt::KeypadModifier;
    if (n < 1 || modifiers & (Qt::AltModifier | Qt::MetaModifier))
        return {};
    const bool control = modifiers & Qt::ControlModifier;
    const auto moveTo = [n](int toX, int toY) {
        return BoardKeyCommand{KeyCommand::Move, qBound(1, toX, n), qBound(1, toY, n), 0};
    };
    switch (press.key) {
    case Qt::Key_Left:
        return moveTo(x - 1, y);
    case Qt::Key_Right:
        return moveTo(x + 1, y);
    case Qt::Key_Up:
        return moveTo(x, y - 1);
    case Qt::Key_Down:
        return moveTo(x, y + 1);
    case Qt::Key_Home:
        return control ? moveTo(1, 1) : moveTo(1, y);
    case Qt::Key_End:
        return control ? moveTo(n, n) : moveTo(n, y);
    case Qt::Key_PageUp:
        return moveTo(x, 1);
    case Qt::Key_PageDown:
        return moveTo(x, n);
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        return {KeyCommand::Clear, 0, 0, 0};
    default:
        break;
    }

    int value = -1;
    if (press.key >= Qt::Key_0 && press.key <= Qt::Key_9)
        value = press.key - Qt::Key_0;
    else if (press.numberRowDigit >= 0 && press.numberRowDigit <= 9)
        value = press.numberRowDigit;
    else if (elemente == 'C' && press.key >= Qt::Key_A && press.key <= Qt::Key_I)
        value = press.key - Qt::Key_A + 1;
    if (value < 0)
        return {};
    if (value == 0)
        return {KeyCommand::Clear, 0, 0, 0};
    const bool mark = modifiers & (Qt::ShiftModifier | Qt::ControlModifier);
    return {mark ? KeyCommand::Mark : KeyCommand::Enter, 0, 0, value};
}

int numberRowDigit(const QString &platform, quint32 nativeScanCode, quint32 nativeVirtualKey)
{
    // X11 and Wayland report the evdev key code plus 8: the row 1..9, 0 is 10..19.
    if (platform == QLatin1String("xcb") || platform == QLatin1String("wayland")) {
        if (nativeScanCode >= 10 && nativeScanCode <= 19)
            return int(nativeScanCode - 9) % 10;
        return -1;
    }
    // Windows: the set-1 scan codes 2..11.
    if (platform == QLatin1String("windows")) {
        if (nativeScanCode >= 2 && nativeScanCode <= 11)
            return int(nativeScanCode - 1) % 10;
        return -1;
    }
    // macOS: the ANSI virtual key codes of the row, which are not in order.
    if (platform == QLatin1String("cocoa")) {
        static constexpr quint32 codes[10] = {0x1D, 0x12, 0x13, 0x14, 0x15, 0x17, 0x16, 0x1A, 0x1C, 0x19};
        for (int digit = 0; digit < 10; ++digit)
            if (codes[digit] == nativeVirtualKey)
                return digit;
    }
    return -1;
}

} // namespace vantrell
