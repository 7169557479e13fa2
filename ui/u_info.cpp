#include "ui/u_info.h"

#include "ui/help_book.h"
#include "ui/help_texts.h"
#include "widgets/accessibility.h"
#include "widgets/show_window.h"
#include "widgets/tool_window.h"
#include "widgets/window_drag.h"

#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vantrell {

Tinfo::Tinfo(QWidget *parent) : QWidget(parent, kClosableToolWindow)
{
    setObjectName(QStringLiteral("info"));
    setWindowTitle(QStringLiteral("Informationen"));
    setFixedSize(549, 480);
    setAccessibleRole(this, QAccessible::Window);
    // Presses on free spots (the window, the pages and their text, which take no clicks)
    // reach the window and drag it; link labels keep their presses.
    makeDragHandle(this, this);

    const InfoTexts &texts = infoTexts();
    blatt_ = new QTabWidget(this);
    blatt_->setObjectName(QStringLiteral("blatt"));
    blatt_->setGeometry(8, 6, 535, 467);
    static const char *const pageNames[] = {"introPage", "regardsPage", "donatePage", "licencePage"};
    for (int i = 0; i < texts.pages.size(); ++i) {
        auto *page = new QWidget;
        page->setObjectName(QLatin1String(pageNames[i]));
        auto *layout = new QVBoxLayout(page);
        layout->setContentsMargins(6, 6, 6, 6);
        layout->addWidget(makeTextArea(texts.pages[i], page, texts.tabs[i]));
        blatt_->addTab(page, texts.tabs[i]);
    }
    blatt_->setCurrentIndex(0);
}

void Tinfo::showEvent(QShowEvent *event)
{
    if (!placed_) {
        placed_ = true;
        centreOnScreen(this);
    }
    QWidget::showEvent(event);
}

} // namespace vantrell
