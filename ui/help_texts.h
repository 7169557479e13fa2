// The texts of the help windows (both languages) and of the information window.
#pragma once

#include <QList>
#include <QString>

namespace vantrell {

enum class HelpLanguage { German, English };

// One piece of a text page, top to bottom.
struct TextBlock {
    enum class Kind { Heading, Paragraph, Link };
    Kind kind = Kind::Paragraph;
    QString text;      // a link's caption
    QString name;      // objectName of a link label (optional)
    QString address;   // a link with a fixed address; empty: the caption with referrer
};
using PageText = QList<TextBlock>;

struct ProgramEntry {
    QString path;         // on the software site, e.g. "wortsuche"
    QString icon;         // built-in picture
    QString title;
    QString description;
};

struct HelpBookTexts {
    QStringList tabs;     // five tab texts, in page order
    QString back, next;
    PageText help, regards, donate, licence;
    QString softwareSite; // bare domain of the program pages
    QString softwareIntro, softwareMore;
    QList<ProgramEntry> programs;
    QString headerPicture; // what a screen reader says of the header picture
    QString donatePicture; // and of the picture on the donation page
};

const HelpBookTexts &helpBookTexts(HelpLanguage language);

struct InfoTexts {
    QStringList tabs;     // four tab texts
    QList<PageText> pages;
};

const InfoTexts &infoTexts();

} // namespace vantrell
