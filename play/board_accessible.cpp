#include "play/board_accessible.h"

#include "core/settings.h"
#include "play/board_view.h"
#include "widgets/accessibility.h"

#include <QAccessibleWidget>
#include <QPointer>

#include <array>

namespace vantrell {
namespace {

class BoardAccessible;

class CellAccessible : public WidgetPartAccessible<BoardView>, public QAccessibleTableCellInterface {
public:
    CellAccessible(BoardView *board, int x, int y) : WidgetPartAccessible(board), x_(x), y_(y) {}

    bool isValid() const override { return owner() && x_ <= owner()->side() && y_ <= owner()->side(); }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name && owner() ? owner()->cellName(x_, y_) : QString();
    }
    QRect rect() const override
    {
        return onScreen(QRect(kCellPixels * (x_ - 1), kCellPixels * (y_ - 1), kCellPixels, kCellPixels));
    }
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        const BoardView *board = owner();
        if (!board)
            return s;
        s.invisible = !board->isVisible();
        s.focusable = true;
        s.focused = board->hasFocus() && board->focusCell() == QPoint(x_, y_);
        const GameState *game = board->game();
        s.readOnly = game && isValid() && game->vorgabe(x_, y_) != 0;
        return s;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface *>(this) : nullptr;
    }

    bool isSelected() const override { return false; }
    QList<QAccessibleInterface *> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface *> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return x_ - 1; }
    int rowIndex() const override { return y_ - 1; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return parent(); }

private:
    int x_;
    int y_;
};

class BoardAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit BoardAccessible(BoardView *board) : QAccessibleWidget(board, QAccessible::Table) {}

    BoardView *board() const { return static_cast<BoardView *>(widget()); }
    int side() const { return board()->side(); }

    // The cells of every position are made once and kept: their ids stay the same from one
    // game to the next, and a smaller board leaves the outer ones unreached.
    QAccessibleInterface *cell(int x, int y) const
    {
        const int n = side();
        if (x < 1 || y < 1 || x > n || y > n)
            return nullptr;
        return cells_.at(std::size_t((y - 1) * kMaxSide + (x - 1)),
                         [&] { return new CellAccessible(board(), x, y); });
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    int childCount() const override { return side() * side(); }
    QAccessibleInterface *child(int index) const override
    {
        const int n = side();
        if (index < 0 || index >= n * n)
            return nullptr;
        return cell(index % n + 1, index / n + 1);
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child || child->role() != QAccessible::Cell)
            return -1;
        auto *c = const_cast<QAccessibleInterface *>(child)->tableCellInterface();
        if (!c || child->parent() != this)
            return -1;
        return boardCellIndex(side(), c->columnIndex() + 1, c->rowIndex() + 1);
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QPoint at = board()->mapFromGlobal(QPoint(x, y));
        if (at.x() < 0 || at.y() < 0)
            return nullptr;
        return cell(at.x() / kCellPixels + 1, at.y() / kCellPixels + 1);
    }
    QAccessibleInterface *focusChild() const override
    {
        return board()->hasFocus() ? cell(board()->focusCell().x(), board()->focusCell().y()) : nullptr;
    }

    // The table: no headers, no selection.
    QAccessibleInterface *cellAt(int row, int column) const override { return cell(column + 1, row + 1); }
    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QString columnDescription(int) const override { return {}; }
    QString rowDescription(int) const override { return {}; }
    int columnCount() const override { return side(); }
    int rowCount() const override { return side(); }
    int selectedCellCount() const override { return 0; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    QList<QAccessibleInterface *> selectedCells() const override { return {}; }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent *) override {}

private:
    mutable AccessibleChildren<kMaxSide * kMaxSide> cells_;
};

QAccessibleInterface *boardFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("vantrell::BoardView"))
        if (auto *board = qobject_cast<BoardView *>(object))
            return new BoardAccessible(board);
    return nullptr;
}

} // namespace

void installBoardAccessibility()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(boardFactory);
}

} // namespace vantrell
