#include "results/u_gew_high.h"

#include "core/highscore_code.h"
#include "core/random.h"
#include "results/highscore_address.h"
#include "results/result_controls.h"
#include "site_config.h"
#include "widgets/open_url.h"
#include "widgets/show_window.h"
#include "widgets/window_drag.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QTextBoundaryFinder>
#include <QValidator>

#include <algorithm>

namespace vantrell {
namespace {

QLabel *makeHiddenLabel(QWidget *parent, const char *name, const QString &designText)
{
    auto *label = new QLabel(designText, parent);
    label->setObjectName(QLatin1String(name));
    label->hide();
    return label;
}

QLineEdit *makeField(QWidget *parent, const char *name, int top)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(136, top, 257, 21);
    QPalette pal = edit->palette();
    pal.setColor(QPalette::Text, QColor(102, 0, 0));
    edit->setPalette(pal);
    return edit;
}

// The name field holds at most 30 characters as the player sees them (grapheme clusters:
// an emoji or a letter with its accents is one), where QLineEdit's own limit counts UTF-16
// units and would cut a character in half. What goes beyond the limit is cut from the end
// of what was just typed or pasted, as that limit does.
class NameLengthValidator : public QValidator {
public:
    NameLengthValidator(int maxCharacters, QObject *parent) : QValidator(parent), max_(maxCharacters) {}

    State validate(QString &input, int &pos) const override
    {
        dropLoneSurrogates(input, pos);
        QList<qsizetype> bounds; // start of every character, then the end
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, input);
        for (qsizetype at = 0; at >= 0; at = finder.toNextBoundary())
            bounds << at;
        const qsizetype count = bounds.size() - 1;
        if (count <= max_)
            return Acceptable;
        // The cursor stands right after the new text: the excess is cut there, and only
        // what does not fit before the cursor goes from the end.
        qsizetype cursor = count;
        while (bounds[cursor] > pos)
            --cursor;
        const qsizetype excess = count - max_;
        const qsizetype beforeCursor = std::min(excess, cursor);
        const qsizetype fromEnd = excess - beforeCursor;
        input.truncate(bounds[count - fromEnd]);
        input.remove(bounds[cursor - beforeCursor], bounds[cursor] - bounds[cursor - beforeCursor]);
        pos = int(bounds[cursor - beforeCursor]);
        return Acceptable;
    }

private:
    static void dropLoneSurrogates(QString &input, int &pos)
    {
        for (qsizetype i = 0; i < input.size();) {
            const bool pair = i + 1 < input.size() && input[i].isHighSurrogate() && input[i + 1].isLowSurrogate();
            if (pair) {
                i += 2;
            } else if (input[i].isSurrogate()) {
                input.remove(i, 1);
                if (i < pos)
                    --pos;
            } else {
                ++i;
            }
        }
    }

    int max_;
};

// The address is longer than its field: the player sees where it goes, its start.
void showAddress(QLineEdit *field, const QString &address)
{
    const QSignalBlocker block(field);
    field->setText(address);
    field->setCursorPosition(0);
}

} // namespace

Tgew_high::Tgew_high(const QLabel *spr, QWidget *mainWindow, const ResultHost *host)
    : ResultWindow(spr, mainWindow, host, "gew_high", QStringLiteral("Highscoreverdächtig!"), {400, 340}, {200, 57})
{
    image4_ = makeBackground(this, "Image4", QStringLiteral("gew_high_en.jpg"));
    image1_ = makeBackground(this, "Image1", QStringLiteral("gew_high_de.jpg"));
    label1_->raise();
    lapunkte_ = makeHiddenLabel(this, "lapunkte", QStringLiteral("lapunkte 13487-43000"));
    laspielart_ = makeHiddenLabel(this, "laspielart", QStringLiteral("laspielart 1, 7, 8, 9"));
    laaufgedeckt_ = makeHiddenLabel(this, "laaufgedeckt", QStringLiteral("laaufgedeckt 3-60"));
    laelemente_ = makeHiddenLabel(this, "laelemente", QStringLiteral("laelemente R, B, S, K"));
    edit1_ = makeField(this, "Edit1", 223);
    edit1_->setValidator(new NameLengthValidator(30, edit1_));
    edit1_->setText(QStringLiteral("Anonymer Sudokuspieler"));
    edit2_ = makeField(this, "Edit2", 246);
    edit3_ = makeField(this, "Edit3", 269);
    setTabOrder(edit1_, edit2_);
    setTabOrder(edit2_, edit3_);
    image2_ = makeClickArea(this, "Image2", {90, 304, 89, 21});
    image3_ = makeClickArea(this, "Image3", {200, 304, 185, 21});
    connect(edit1_, &QLineEdit::textChanged, this, &Tgew_high::Edit1Change);
    connect(edit2_, &QLineEdit::textChanged, this, &Tgew_high::Edit2Change);
    connect(edit3_, &QLineEdit::textChanged, this, &Tgew_high::Edit3Change);
    connect(image2_, &PictureBox::clicked, this, &Tgew_high::Image2Click);
    connect(image3_, &PictureBox::clicked, this, &Tgew_high::Image3Click);
    makeDragHandle(image1_, this);
    makeDragHandle(image4_, this);
    Sprache();
}

void Tgew_high::Sprache()
{
    if (language() == QLatin1String("de")) {
        setWindowTitle(QStringLiteral("Highscoreverdächtig!"));
        image1_->show();
        image4_->hide();
        edit1_->setText(QStringLiteral("Anonymer Sudokuspieler"));
        label1_->move(label1_->x(), 52);
    }
    if (language() == QLatin1String("en")) {
        setWindowTitle(QStringLiteral("Possibly a World Record!"));
        image1_->hide();
        image4_->show();
        edit1_->setText(QStringLiteral("Anonymous"));
        label1_->move(label1_->x(), 57);
    }
}

void Tgew_high::setResult(std::int32_t punkte, std::int32_t spielart, std::int32_t aufgedeckt, char elemente)
{
    lapunkte_->setText(QString::number(punkte));
    laspielart_->setText(QString::number(spielart));
    laaufgedeckt_->setText(QString::number(aufgedeckt));
    laelemente_->setText(QString(QLatin1Char(elemente)));
    keepCode_ = false;
}

void Tgew_high::FormActivate()
{
    ResultWindow::FormActivate();
    if (!keepCode_)
        buildCode();
}

QString Tgew_high::highscorePage() const
{
    return QLatin1String(language() == QLatin1String("de") ? build::homeSiteDe : build::homeSiteEn);
}

void Tgew_high::buildCode()
{
    Randomize();
    bool pointsOk = false;
    const int points = lapunkte_->text().toInt(&pointsOk);
    const auto code = pointsOk ? buildHighscoreCode(points, laspielart_->text().toInt(), laaufgedeckt_->text().toInt(),
                                                    laelemente_->text().toStdString())
                               : std::nullopt;
    // A result the code cannot carry (only pasted, absurd counts give one) gets no code
    // and no address rather than a wrong one.
    pruefcode_ = code ? QString::fromStdString(*code) : QString();
    linkanzeige_ = code ? highscoreAddress(highscorePage(), QStringLiteral("Sudokus%20Anonymus"), pruefcode_) : QString();
    const QSignalBlocker block2(edit2_);
    edit2_->setText(pruefcode_);
    showAddress(edit3_, linkanzeige_);
}

void Tgew_high::Edit1Change()
{
    if (pruefcode_.isEmpty())
        return;
    linkanzeige_ = highscoreAddress(highscorePage(), encodeNameForAddress(edit1_->text()), pruefcode_);
    showAddress(edit3_, linkanzeige_);
}

// The code and address fields can be selected and copied; any edit is undone at once.
void Tgew_high::Edit2Change()
{
    const QSignalBlocker block(edit2_);
    edit2_->setText(pruefcode_);
}

void Tgew_high::Edit3Change()
{
    if (linkanzeige_.isEmpty())
        return;
    showAddress(edit3_, linkanzeige_);
}

void Tgew_high::Image2Click()
{
    spielername_ = edit1_->text();
    if (spielername_.isEmpty())
        spielername_ = language() == QLatin1String("de") ? QStringLiteral("Anonymer Sudokuspieler") : QStringLiteral("Anonymous");
    if (!pruefcode_.isEmpty()) {
        eintragslink_ = highscoreAddress(highscorePage(), encodeNameForAddress(spielername_), pruefcode_);
        if (!openUrl(eintragslink_)) {
            tellNoBrowser();
            return;
        }
    }
    returnToMainWindow();
}

void Tgew_high::tellNoBrowser()
{
    keepCode_ = true;
    QMessageBox box(QMessageBox::Warning, windowTitle(), speech_.noBrowser, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    // Back in the window, where the code is: the player copies it from there. (A window
    // manager may hand the activation to another window when the message closes.)
    showActive(this);
    edit2_->setFocus(Qt::OtherFocusReason);
    edit2_->selectAll();
}

void Tgew_high::Image3Click() { returnToMainWindow(); }

void Tgew_high::setSpeech(const ResultSpeech &speech)
{
    ResultWindow::setSpeech(speech);
    for (PictureBox *picture : {image1_, image4_}) {
        picture->setAccessibleName(windowTitle());
        picture->setAccessibleDescription(speech.highPicture);
    }
    edit1_->setAccessibleName(speech.name);
    edit2_->setAccessibleName(speech.code);
    edit3_->setAccessibleName(speech.address);
    image2_->setAccessibleName(speech.submit);
    image3_->setAccessibleName(speech.decline);
}

// The name comes first: typed, then Enter submits it.
QWidget *Tgew_high::firstFocus() const { return edit1_; }

} // namespace vantrell
