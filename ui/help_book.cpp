#include "ui/help_book.h"

#include "resources/pictures.h"
#include "widgets/accessibility.h"
#include "widgets/browse_to.h"
#include "widgets/controls.h"
#include "widgets/show_window.h"
#include "ui/template_software_en.h"
#include "widgets/tool_window.h"
#include "widgets/window_drag.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vantrell {
namespace {

// Tabs drawn as flat buttons.
const char *const kTabStyle =
    "QTabBar::tab { border: 1px solid palette(mid); border-radius: 3px; padding: 3px 10px;"
    " margin: 2px 4px 4px 0px; background: palette(button); }"
    "QTabBar::tab:selected { background: palette(midlight); border-color: palette(shadow); }"
    "QTabBar::tab:hover { background: palette(light); }";

QWidget *addPage(QTabWidget *pages, const char *name, const QString &tab)
{
    auto *page = new QWidget;
    page->setObjectName(QLatin1String(name));
    pages->addTab(page, tab);
    return page;
}

QHBoxLayout *pageLayout(QWidget *page)
{
    auto *layout = new QHBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    return layout;
}

} // namespace

QScrollArea *makeTextArea(const PageText &blocks, QWidget *parent, const QString &page)
{
    auto *area = new QScrollArea(parent);
    area->setAccessibleName(page);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    auto *content = new QWidget;
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(6, 4, 6, 4);
    column->setSpacing(6);
    for (const TextBlock &block : blocks) {
        if (block.kind == TextBlock::Kind::Link) {
            LinkLabel *link = makeLink(block.text, block.address, content);
            if (!block.name.isEmpty())
                link->setObjectName(block.name);
            column->addWidget(link, 0, Qt::AlignLeft);
            continue;
        }
        auto *label = new QLabel(block.text, content);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        // Without an explicit minimum the layout takes a wrapped label's height at a narrow
        // width, and the page shows a scroll bar it does not need.
        label->setMinimumSize(1, 1);
        if (block.kind == TextBlock::Kind::Heading) {
            QFont f = label->font();
            f.setBold(true);
            f.setPixelSize(16);
            label->setFont(f);
        }
        column->addWidget(label);
    }
    column->addStretch(1);
    area->setWidget(content);
    // The page shows through.
    area->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    return area;
}

HelpBook::HelpBook(HelpLanguage language, QWidget *parent) : QWidget(parent, kClosableToolWindow)
{
    const bool german = language == HelpLanguage::German;
    const HelpBookTexts &texts = helpBookTexts(language);
    setWindowTitle(QStringLiteral("Sudoku - Vantrell Media"));
    setFixedSize(543, 495);

    auto *panel = new QFrame(this);
    panel->setObjectName(german ? QStringLiteral("pinfo_de") : QStringLiteral("pinfo_en"));
    panel->setGeometry(rect());

    auto *header = new PictureBox(panel);
    header->setObjectName(german ? QStringLiteral("Image2") : QStringLiteral("Image3"));
    header->setPictureFile(german ? QStringLiteral("help_header_de.jpg") : QStringLiteral("help_header_en.jpg"));
    header->setGeometry(0, 0, 543, 100);
    header->setAccessibleName(texts.headerPicture);
    makeDragHandle(header, this);
    setAccessibleRole(this, QAccessible::Window);

    auto *line = new QFrame(panel);
    line->setObjectName(QStringLiteral("Bevel1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(0, 100, 543, 2);

    pc_ = new QTabWidget(panel);
    pc_->setObjectName(QStringLiteral("pc"));
    pc_->setGeometry(german ? 8 : 12, 110, 518, 342);
    pc_->tabBar()->setStyleSheet(QLatin1String(kTabStyle));
    pc_->tabBar()->setExpanding(false);
    pc_->tabBar()->setElideMode(Qt::ElideNone);
    pc_->tabBar()->setUsesScrollButtons(false);

    QWidget *help = addPage(pc_, "pc_hilfe", texts.tabs[HelpPage]);
    pageLayout(help)->addWidget(makeTextArea(texts.help, help, texts.tabs[HelpPage]));

    QWidget *regards = addPage(pc_, "pc_empf", texts.tabs[RegardsPage]);
    pageLayout(regards)->addWidget(makeTextArea(texts.regards, regards, texts.tabs[RegardsPage]));

    QWidget *software = addPage(pc_, "pc_software", texts.tabs[SoftwarePage]);
    software_ = german ? static_cast<SoftwarePanel *>(new TFrame1(software)) : new TFrame2(software);
    auto *softwareLayout = new QVBoxLayout(software);
    softwareLayout->setContentsMargins(0, 0, 0, 0);
    softwareLayout->addWidget(software_, 0, Qt::AlignLeft | Qt::AlignTop);

    QWidget *donate = addPage(pc_, "pc_spenden", texts.tabs[DonatePage]);
    QHBoxLayout *donateLayout = pageLayout(donate);
    donateLayout->addWidget(makeTextArea(texts.donate, donate, texts.tabs[DonatePage]), 1);
    auto *pictureBox = new QScrollArea(donate);
    pictureBox->setObjectName(QStringLiteral("ScrollBox1"));
    pictureBox->setFrameShape(QFrame::NoFrame);
    pictureBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pictureBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pictureBox->setFixedWidth(236); // the width of the donation picture
    auto *picture = new PictureBox;
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setAutoSize(true);
    picture->setPictureFile(QStringLiteral("donate.jpg"));
    picture->setAccessibleName(texts.donatePicture);
    pictureBox->setWidget(picture);
    picture->setAutoFillBackground(false);
    pictureBox->viewport()->setAutoFillBackground(false);
    donateLayout->addWidget(pictureBox);

    QWidget *licence = addPage(pc_, "pc_lizenz", texts.tabs[LicencePage]);
    pageLayout(licence)->addWidget(makeTextArea(texts.licence, licence, texts.tabs[LicencePage]));

    const QColor tabText = german ? QColor(44, 88, 0) : QColor(Qt::black);
    for (int i = 0; i < pc_->count(); ++i)
        pc_->tabBar()->setTabTextColor(i, tabText);
    pc_->setCurrentIndex(LicencePage);

    auto *back = new QPushButton(texts.back, panel);
    back->setObjectName(german ? QStringLiteral("btide1") : QStringLiteral("btien1"));
    back->setGeometry(370, 464, 75, 25);
    connect(back, &QPushButton::clicked, this, &HelpBook::previousPage);
    auto *next = new QPushButton(texts.next, panel);
    next->setObjectName(german ? QStringLiteral("btide2") : QStringLiteral("btien2"));
    next->setGeometry(451, 464, 75, 25);
    connect(next, &QPushButton::clicked, this, &HelpBook::nextPage);
}

int HelpBook::neighbourPage(const QTabWidget *pages, int from, int step)
{
    const int count = pages->count();
    for (int k = 1; k < count; ++k) {
        const int index = ((from + step * k) % count + count) % count;
        if (pages->isTabVisible(index))
            return index;
    }
    return from;
}

void HelpBook::previousPage() { pc_->setCurrentIndex(neighbourPage(pc_, pc_->currentIndex(), -1)); }

void HelpBook::nextPage() { pc_->setCurrentIndex(neighbourPage(pc_, pc_->currentIndex(), +1)); }

void HelpBook::keyPressEvent(QKeyEvent *event)
{
    if (!answerDialogKey(event, {}, [this] { close(); }))
        QWidget::keyPressEvent(event);
}

void HelpBook::showEvent(QShowEvent *event)
{
    // Centred when first shown; afterwards the window stays where the player put it.
    if (!placed_) {
        placed_ = true;
        centreOnScreen(this);
    }
    QWidget::showEvent(event);
}

} // namespace vantrell
