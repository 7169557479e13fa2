// The window pictures: title, splash, result windows, print dialog, help headers and the
// donation picture. Places left blank here are where the windows lay their own labels,
// edit fields and click areas; the coordinates are those of the windows' controls.
#include "tools/pictures_common.h"

#include <QPainter>
#include <QTextLayout>

namespace vantrell::art {

namespace {

enum class Language { German, English };

bool german(Language l) { return l == Language::German; }

// A w x h picture at scale device pixels a pixel. Its device pixel ratio makes the painter
// scale every drawing, so each picture is one design at every scale.
QImage scaledPicture(int w, int h, int scale, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(w * scale, h * scale, format);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::white); // every picture starts from defined pixels
    return image;
}

QImage creamPicture(int w, int h, int scale)
{
    QImage image = scaledPicture(w, h, scale);
    image.fill(cream);
    return image;
}

// The text the windows use for their labels, so picture text and labels match.
// The text of the result windows is set in the face of the windows' own 8-point font, so
// the points label that continues a line of the picture matches it.
QFont bodyFont(int px = 11, int weight = QFont::Normal) { return font(digitsFace, px, weight); }

// A heading in the chancery face, centred in box.
void heading(QPainter &p, const QRectF &box, const QString &text, int px)
{
    line(p, box, font(chancery, px, QFont::Normal, true), darkRed, text, Qt::AlignCenter);
}

// An ornamental initial: a shaded square with a fine frame and the letter in the
// chancery face, with small diamonds at the corners.
void drawInitial(QPainter &p, const QRectF &r, const QString &letter)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient shade(r.topLeft(), r.bottomRight());
    shade.setColorAt(0, QColor(250, 240, 214));
    shade.setColorAt(1, QColor(236, 218, 182));
    p.setPen(QPen(darkRed, 1.2));
    p.setBrush(shade);
    p.drawRect(r);
    p.setPen(QPen(QColor(128, 0, 0, 110), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(3, 3, -3, -3));
    p.setPen(Qt::NoPen);
    p.setBrush(darkRed);
    for (QPointF c : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
        p.drawPolygon(QPolygonF({c + QPointF(-3, 0), c + QPointF(0, -3), c + QPointF(3, 0), c + QPointF(0, 3)}));
    const QFont f = font(chancery, 96, QFont::Normal, true);
    p.fillPath(glyphPath(f, letter, r.center() + QPointF(1.5, 1.5), r.height() * 0.62, r.width() * 0.72),
               QColor(128, 0, 0, 50));
    p.fillPath(glyphPath(f, letter, r.center(), r.height() * 0.62, r.width() * 0.72), darkRed);
    p.restore();
}

// A 3x3 block of the board in miniature, the game's emblem.
void drawBlockEmblem(QPainter &p, const QRectF &r, qreal alpha = 1.0)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setOpacity(alpha);
    const qreal c = r.width() / 3;
    p.fillRect(r, boardGrey);
    const QFont f = font(digitsFace, 64, QFont::Bold);
    const char digits[] = "5 3 7 1 9";
    for (int i = 0; i < 9; ++i) {
        const QRectF cell(r.left() + (i % 3) * c, r.top() + (i / 3) * c, c, c);
        if (digits[i] == ' ')
            continue;
        p.fillRect(cell, Qt::white);
        p.fillPath(glyphPath(f, QString(QChar(digits[i])), cell.center(), c * 0.56), i == 4 ? darkRed : QColor(70, 70, 70));
    }
    p.setPen(QPen(gridLine, std::max(0.8, c / 14)));
    for (int a = 1; a < 3; ++a) {
        p.drawLine(QPointF(r.left() + a * c, r.top()), QPointF(r.left() + a * c, r.bottom()));
        p.drawLine(QPointF(r.left(), r.top() + a * c), QPointF(r.right(), r.top() + a * c));
    }
    p.setPen(QPen(blockLine, std::max(1.2, c / 8)));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
    p.restore();
}

QImage title(int scale)
{
    QImage image = creamPicture(185, 50, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    drawDoubleFrame(p, QRectF(0, 0, 184, 49), ornament);
    drawBlockEmblem(p, QRectF(12, 11, 27, 27));
    const QFont f = font(chancery, 64, QFont::Normal, true);
    p.fillPath(glyphPath(f, QStringLiteral("Sudoku"), QPointF(111, 25), 35, 132), darkRed);
    return image;
}

QImage splash(const QString &site, int scale)
{
    QImage image = creamPicture(300, 200, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    // A faint board behind the lettering; a cream glow keeps the lettering clear of it.
    drawGridMotif(p, QPointF(60, 10), 20, QColor(128, 0, 0, 70), QColor(128, 0, 0, 60),
                  "5 3  7    6  195    98    6 8   6   34  8 3  17   2   6 6    28    419  5    8  79");
    QRadialGradient glow(QPointF(150, 100 / 0.62), 130); // an ellipse once squeezed
    glow.setColorAt(0, QColor(255, 253, 240, 245));
    glow.setColorAt(0.6, QColor(255, 253, 240, 215));
    glow.setColorAt(1, QColor(255, 253, 240, 90));
    p.save();
    p.scale(1, 0.62);
    p.fillRect(QRectF(0, 0, 300, 200 / 0.62), glow);
    p.restore();
    drawDoubleFrame(p, QRectF(4, 4, 291, 191), darkRed);

    const QFont f = font(chancery, 128, QFont::Normal, true);
    p.fillPath(glyphPath(f, QStringLiteral("Sudoku"), QPointF(151.5, 89.5), 74, 230), QColor(128, 0, 0, 45));
    p.fillPath(glyphPath(f, QStringLiteral("Sudoku"), QPointF(150, 88), 74, 230), darkRed);
    drawFlourish(p, QPointF(150, 138), 70, darkRed);
    QFont siteFont = font(serif, 15);
    siteFont.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
    line(p, QRectF(20, 148, 260, 24), siteFont, deepRed, site, Qt::AlignCenter);
    return image;
}

// The congratulation and the points line shared by both result windows. The label with
// the points lies at labelLeft, labelTop and continues the sentence, so the text before it
// ends a space's width (3 px) to its left. The label reads "529 Punkte" or "529 Points":
// the German sentence must take that form as it stands.
void congratulation(QPainter &p, Language l, int headingTop, int labelLeft, int labelTop)
{
    heading(p, QRectF(10, headingTop, 380, 40), german(l) ? QStringLiteral("Herzlichen Glückwunsch")
                                                          : QStringLiteral("Congratulations"),
            german(l) ? 32 : 36);
    line(p, QRectF(14, labelTop, labelLeft - 17, 13), bodyFont(), deepRed,
         german(l) ? QStringLiteral("Das Sudoku ist gelöst. Sie erhalten") : QStringLiteral("You have solved the Sudoku with"),
         Qt::AlignRight | Qt::AlignTop);
}

QImage resultWithoutHighscore(Language l, int scale)
{
    QImage image = creamPicture(400, 155, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    drawDoubleFrame(p, QRectF(2, 2, 395, 150), darkRed);
    const int labelTop = german(l) ? 55 : 65;
    congratulation(p, l, german(l) ? 8 : 12, 208, labelTop);
    paragraph(p, QRectF(24, labelTop + 20, 352, 28), bodyFont(), deepRed,
              german(l) ? QStringLiteral("Ein Klick auf OK schließt diese Meldung. Mit „Spiel starten“ "
                                         "beginnen Sie ein neues Spiel.")
                        : QStringLiteral("A click on OK closes this message. Click on “Start Game” "
                                         "to begin a new game."),
              Qt::AlignHCenter, 14);
    drawCaptionedButton(p, QRect(192, 125, 90, 20), QStringLiteral("OK"));
    return image;
}

QImage resultWithHighscore(Language l, int scale)
{
    QImage image = creamPicture(400, 340, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    drawDoubleFrame(p, QRectF(2, 2, 395, 335), darkRed);
    const int labelTop = german(l) ? 52 : 57;
    congratulation(p, l, german(l) ? 6 : 9, 200, labelTop);
    paragraph(p, QRectF(20, labelTop + 18, 360, 26), bodyFont(), deepRed,
              german(l) ? QStringLiteral("Mit diesem Ergebnis können Sie sich in die Online-Highscore eintragen "
                                         "und sich mit anderen Spielern messen.")
                        : QStringLiteral("With this result you may enter the online highscore and compete "
                                         "with other players."),
              Qt::AlignHCenter, 13);
    heading(p, QRectF(10, 98, 380, 30), QStringLiteral("Highscore"), 26);
    paragraph(p, QRectF(16, 130, 368, 91), bodyFont(), deepRed,
              german(l) ? QStringLiteral("Geben Sie einen Namen mit höchstens 30 Zeichen ein und klicken Sie "
                                         "auf „Eintragen“. Der Link unten wird dann in Ihrem Browser geöffnet, "
                                         "und Ihre Daten werden in die Highscore-Tabelle eingetragen. Sie können "
                                         "den Code, in dem Ihre Punkte verschlüsselt sind, auch von Hand auf der "
                                         "Highscore-Seite eingeben.")
                        : QStringLiteral("Enter a name of at most 30 characters and click on “Submit”. The link "
                                         "below then opens in your browser, and your data are entered in the "
                                         "highscore table. Alternatively you can enter the code, in which your "
                                         "points are enciphered, by hand on the highscore page."),
              Qt::AlignLeft | Qt::AlignVCenter, 13);
    const QString captions[3] = {QStringLiteral("Name:"), QStringLiteral("Code:"), QStringLiteral("Link:")};
    for (int i = 0; i < 3; ++i)
        line(p, QRectF(20, 223 + 23 * i, 110, 21), bodyFont(11, QFont::Bold), deepRed, captions[i],
             Qt::AlignRight | Qt::AlignVCenter);
    drawCaptionedButton(p, QRect(90, 304, 89, 21), german(l) ? QStringLiteral("Eintragen") : QStringLiteral("Submit"));
    drawCaptionedButton(p, QRect(200, 304, 185, 21),
                        german(l) ? QStringLiteral("Vielleicht beim nächsten Mal") : QStringLiteral("Maybe next time"));
    return image;
}

QImage printDialog(Language l, int scale)
{
    QImage image = creamPicture(400, 155, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    // One rule only, below the cream band of the button row (y 120..152).
    p.setPen(QPen(darkRed, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1.5, 1.5, 396, 152));

    drawInitial(p, QRectF(10, 10, 56, 56), german(l) ? QStringLiteral("D") : QStringLiteral("P"));
    drawBlockEmblem(p, QRectF(19, 78, 38, 38), 0.85);

    line(p, QRectF(79, 2, 200, 28), font(chancery, 26, QFont::Normal, true), darkRed,
         german(l) ? QStringLiteral("Drucken") : QStringLiteral("Print"), Qt::AlignLeft | Qt::AlignVCenter);
    // A narrower face than the other windows': both paragraphs must fit three lines.
    const QFont body = font(digitsFace, 10);
    paragraph(p, QRectF(79, 30, 313, 33), body, deepRed,
              german(l) ? QStringLiteral("Momentan werden Ihre Sudokus erstellt. Dies kann etwas Zeit in Anspruch "
                                         "nehmen. Wie weit der Fortschritt ist, sehen Sie hier:")
                        : QStringLiteral("At the moment your Sudokus are created. This can take a liitel time. "
                                         "Here you can see the progress:"),
              Qt::AlignJustify | Qt::AlignVCenter, 11);
    // The German window shows a "-" label at (383, 83): it hyphenates the first line here.
    if (german(l)) {
        // A zero-width space after "aus" lets the line break inside the word.
        const QString text = QStringLiteral("Sobald die Sudokus fertig sind, können Sie diese aus\u200Bdrucken, in dem sie "
                                            "auf \"Drucken\" klicken. Sollten Sie es sich anders überlegt haben, "
                                            "können Sie auch Abbrechen.");
        paragraph(p, QRectF(79, 82, 313, 33), body, deepRed, text, Qt::AlignLeft | Qt::AlignTop, 11,
                  BrokenFirstLine{static_cast<int>(text.indexOf(QChar(0x200B))) + 1, 382});
    } else {
        paragraph(p, QRectF(79, 84, 313, 33), body, deepRed,
                  QStringLiteral("As soon as the Sudokus are ready, you can print them by clicking on \"Print\". "
                                 "If you do not want to print these Sudokus, you should use the button \"Cancel\"."),
                  Qt::AlignJustify, 11);
    }
    // The button row of the dialog, under the window's cream band (x 120 to 376), which
    // hides it; the window lays its own buttons over it. Past the band the picture stays
    // plain, so no edge of its own cancel button shows beside the window's where a dense
    // screen puts the two half a pixel apart.
    p.save();
    p.setClipRect(QRectF(120, 120, 257, 33));
    drawCaptionedButton(p, QRect(198, 125, 89, 21), german(l) ? QStringLiteral("Drucken") : QStringLiteral("Print"));
    drawCaptionedButton(p, QRect(301, 125, 89, 21), german(l) ? QStringLiteral("Abbrechen") : QStringLiteral("Cancel"));
    p.restore();
    return image;
}

QImage helpHeader(Language l, int scale)
{
    QImage image = scaledPicture(543, 100, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient ground(QPointF(0, 0), QPointF(543, 0));
    ground.setColorAt(0, cream);
    ground.setColorAt(1, QColor(246, 236, 210));
    p.fillRect(QRectF(0, 0, 543, 100), ground);
    // A board bleeding off the right edge, fading in from the left.
    QImage board = scaledPicture(118, 100, scale, QImage::Format_ARGB32_Premultiplied);
    board.fill(Qt::transparent);
    {
        QPainter b(&board);
        drawGridMotif(b, QPointF(10, -4), 12, QColor(128, 0, 0, 90), QColor(128, 0, 0, 80),
                      "  3 7  1 6    2  9  5 1 8  4 6   2 8 7  1 5 4   3 9  6 2 4  8  3    1 7  9 2  ");
        QLinearGradient mask(QPointF(0, 0), QPointF(70, 0));
        mask.setColorAt(0, QColor(0, 0, 0, 0));
        mask.setColorAt(1, QColor(0, 0, 0, 255));
        b.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        b.fillRect(QRectF(0, 0, 118, 100), mask);
    }
    p.drawImage(425, 0, board);

    drawBlockEmblem(p, QRectF(20, 24, 52, 52));
    const QFont f = font(chancery, 128, QFont::Normal, true);
    p.fillPath(glyphPath(f, QStringLiteral("Sudoku"), QPointF(158, 48), 58, 160), darkRed);
    p.fillRect(QRectF(252, 22, 1, 56), QColor(128, 0, 0, 120));
    line(p, QRectF(268, 20, 240, 32), font(serif, 22, QFont::Normal, true), deepRed,
         german(l) ? QStringLiteral("Hilfe & Informationen") : QStringLiteral("Help & Information"));
    QFont maker = font(serif, 13);
    maker.setCapitalization(QFont::SmallCaps);
    maker.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    line(p, QRectF(269, 54, 240, 22), maker, QColor(110, 84, 60), QStringLiteral("Vantrell Media"));
    p.fillRect(QRectF(0, 98, 543, 2), darkRed);
    return image;
}

QPainterPath heartPath(QPointF c, qreal s)
{
    QPainterPath heart;
    heart.moveTo(c + QPointF(0, 0.32 * s));
    heart.cubicTo(c + QPointF(-0.55 * s, -0.05 * s), c + QPointF(-0.4 * s, -0.55 * s), c + QPointF(0, -0.25 * s));
    heart.cubicTo(c + QPointF(0.4 * s, -0.55 * s), c + QPointF(0.55 * s, -0.05 * s), c + QPointF(0, 0.32 * s));
    heart.closeSubpath();
    return heart;
}

QImage donate(int scale)
{
    // As wide as the picture box of the help page, so nothing of it is cut off.
    QImage image = creamPicture(236, 290, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    drawDoubleFrame(p, QRectF(5, 5, 225, 279), darkRed);

    // The cup, drawn on a 300 x 212 design grid, fills the upper part.
    p.save();
    p.translate(118, 14);
    p.scale(0.8, 0.8);
    p.translate(-150, -60);

    // Saucer.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 28));
    p.drawEllipse(QPointF(150, 252), 110, 20);
    QLinearGradient china(QPointF(40, 0), QPointF(260, 0));
    china.setColorAt(0, QColor(255, 255, 255));
    china.setColorAt(1, QColor(226, 218, 204));
    p.setBrush(china);
    p.setPen(QPen(QColor(160, 140, 120), 1.2));
    p.drawEllipse(QPointF(150, 243), 104, 20);
    p.setPen(QPen(QColor(200, 186, 168), 1));
    p.drawEllipse(QPointF(150, 240), 62, 10);

    // Cup with handle.
    p.setPen(QPen(QColor(150, 20, 20), 11, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(196, 146, 52, 52), -75 * 16, 170 * 16);
    QPainterPath cup;
    cup.moveTo(78, 132);
    cup.lineTo(222, 132);
    cup.cubicTo(222, 196, 200, 238, 150, 240);
    cup.cubicTo(100, 238, 78, 196, 78, 132);
    QLinearGradient glaze(QPointF(78, 0), QPointF(222, 0));
    glaze.setColorAt(0, QColor(196, 36, 30));
    glaze.setColorAt(0.35, QColor(168, 16, 14));
    glaze.setColorAt(1, QColor(104, 0, 0));
    p.setPen(QPen(QColor(90, 0, 0), 1.2));
    p.setBrush(glaze);
    p.drawPath(cup);
    // Coffee in the rim.
    p.setBrush(QColor(250, 240, 226));
    p.drawEllipse(QPointF(150, 132), 72, 13);
    QRadialGradient coffee(QPointF(140, 131), 64);
    coffee.setColorAt(0, QColor(150, 96, 56));
    coffee.setColorAt(1, QColor(90, 50, 24));
    p.setPen(Qt::NoPen);
    p.setBrush(coffee);
    p.drawEllipse(QPointF(150, 133), 64, 9.5);
    // A heart on the cup and a gloss line.
    p.fillPath(heartPath(QPointF(150, 188), 46), QColor(255, 246, 232));
    QLinearGradient gloss(QPointF(0, 140), QPointF(0, 220));
    gloss.setColorAt(0, QColor(255, 255, 255, 110));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    QPainterPath shine;
    shine.moveTo(92, 146);
    shine.cubicTo(92, 186, 104, 212, 120, 224);
    shine.cubicTo(108, 206, 100, 182, 100, 146);
    shine.closeSubpath();
    p.fillPath(shine, gloss);

    // Steam rising into a heart.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(150, 120, 100, 150), 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (qreal x : {118.0, 182.0}) {
        QPainterPath wisp;
        wisp.moveTo(x, 112);
        wisp.cubicTo(x - 12, 98, x + 12, 86, x, 70);
        p.drawPath(wisp);
    }
    p.setPen(QPen(QColor(190, 40, 40, 200), 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(heartPath(QPointF(150, 72), 62));
    QPainterPath stem;
    stem.moveTo(150, 120);
    stem.cubicTo(140, 110, 160, 102, 150, 92);
    p.setPen(QPen(QColor(150, 120, 100, 150), 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(stem);

    p.restore();

    // Thanks in both languages below it.
    const QFont thanks = font(chancery, 36, QFont::Normal, true);
    line(p, QRectF(16, 188, 204, 44), thanks, darkRed, QStringLiteral("Danke!"), Qt::AlignCenter);
    drawFlourish(p, QPointF(118, 236), 62, darkRed);
    line(p, QRectF(16, 238, 204, 44), thanks, darkRed, QStringLiteral("Thank you!"), Qt::AlignCenter);
    return image;
}

} // namespace

std::vector<Picture> windowPictures(const QString &homeSiteDe, const QString &homeSiteEn)
{
    std::vector<Picture> out;
    for (int scale : {1, 2}) {
        auto add = [&](const char *name, const QImage &image) {
            const QString file = QLatin1String(name);
            out.push_back({scale == 1 ? file : twiceSizeName(file), image});
        };
        add("title.jpg", title(scale));
        add("splash_de.jpg", splash(homeSiteDe, scale));
        add("splash_en.jpg", splash(homeSiteEn, scale));
        add("gew_kein_de.jpg", resultWithoutHighscore(Language::German, scale));
        add("gew_kein_en.jpg", resultWithoutHighscore(Language::English, scale));
        add("gew_high_de.jpg", resultWithHighscore(Language::German, scale));
        add("gew_high_en.jpg", resultWithHighscore(Language::English, scale));
        add("druck_de.jpg", printDialog(Language::German, scale));
        add("druck_en.jpg", printDialog(Language::English, scale));
        add("help_header_de.jpg", helpHeader(Language::German, scale));
        add("help_header_en.jpg", helpHeader(Language::English, scale));
        add("donate.jpg", donate(scale));
    }
    return out;
}

} // namespace vantrell::art
