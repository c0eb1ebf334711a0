// The contact tree drawn row by row: uniform rows, scrolled by whole rows, the root's
// sign toggling its contacts, the item delegate painting each row.
#include "app/contact_tree_view.h"

#include "app/contact_tree_accessible.h"

#include <QAccessible>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOption>

#include <algorithm>

namespace brenmoor::app {

namespace {

constexpr int kIndentation = 20;

} // namespace

ContactTreeView::ContactTreeView(QWidget* parent) : QAbstractItemView(parent) {
    installContactTreeAccessibility();
    // Ctrl and Shift with a click or the keys pick several contacts.
    setSelectionMode(ExtendedSelection);
    setSelectionBehavior(SelectRows);
    setIconSize(QSize(16, 16));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideRight);
}

QModelIndex ContactTreeView::root() const { return model() ? model()->index(0, 0) : QModelIndex(); }

int ContactTreeView::rowHeight() const { return std::max(iconSize().height(), fontMetrics().height()) + 4; }

int ContactTreeView::contactRows() const { return expanded_ ? model()->rowCount(root()) : 0; }

int ContactTreeView::rowCount() const {
    QModelIndex top = root();
    if (!top.isValid()) return 0;
    const QModelIndex lists = model()->index(1, 0);
    return 1 + contactRows() + (lists.isValid() ? 1 + model()->rowCount(lists) : 0);
}

int ContactTreeView::rowsPerPage() const { return std::max(1, viewport()->height() / rowHeight()); }

int ContactTreeView::firstRow() const { return verticalScrollBar()->value(); }

QModelIndex ContactTreeView::indexOfRow(int row) const {
    if (row < 0 || row >= rowCount()) return {};
    if (row == 0) return root();
    const int heading = 1 + contactRows();
    if (row < heading) return model()->index(row - 1, 0, root());
    const QModelIndex lists = model()->index(1, 0);
    return row == heading ? lists : model()->index(row - heading - 1, 0, lists);
}

int ContactTreeView::rowOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != model()) return -1;
    const QModelIndex parent = index.parent();
    if (!parent.isValid()) return index.row() == 0 ? 0 : index.row() == 1 ? 1 + contactRows() : -1;
    if (parent.row() == 1) return 1 + contactRows() + 1 + index.row();
    return expanded_ ? index.row() + 1 : -1;
}

QRect ContactTreeView::rowRect(int row) const {
    return QRect(0, (row - firstRow()) * rowHeight(), viewport()->width(), rowHeight());
}

QRect ContactTreeView::signRect() const { return rowRect(0).adjusted(0, 0, kIndentation - viewport()->width(), 0); }

bool ContactTreeView::isExpanded(const QModelIndex& index) const { return index.isValid() && index == root() && expanded_; }

void ContactTreeView::setExpanded(const QModelIndex& index, bool expanded) {
    if (index != root() || expanded == expanded_) return;
    expanded_ = expanded;
    if (!expanded && currentIndex().parent() == root()) setCurrentIndex(root());
    updateGeometries();
    viewport()->update();
}

QRect ContactTreeView::visualRect(const QModelIndex& index) const {
    int row = rowOf(index);
    if (row < 0) return {};
    int level = index.parent().isValid() ? 1 : 0;
    return rowRect(row).adjusted(kIndentation * (level + 1), 0, 0, 0);
}

void ContactTreeView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    int row = rowOf(index);
    if (row < 0) return;
    int first = firstRow();
    int page = rowsPerPage();
    switch (hint) {
    case PositionAtTop: verticalScrollBar()->setValue(row); break;
    case PositionAtBottom: verticalScrollBar()->setValue(row - page + 1); break;
    case PositionAtCenter: verticalScrollBar()->setValue(row - page / 2); break;
    case EnsureVisible:
        if (row < first) verticalScrollBar()->setValue(row);
        else if (row >= first + page) verticalScrollBar()->setValue(row - page + 1);
        break;
    }
}

QModelIndex ContactTreeView::indexAt(const QPoint& point) const {
    if (point.y() < 0) return {};
    return indexOfRow(firstRow() + point.y() / rowHeight());
}

void ContactTreeView::reset() {
    QAbstractItemView::reset();
    updateGeometries();
}

void ContactTreeView::selectAll() {
    const QModelIndex top = root();
    if (!top.isValid() || !selectionModel()) return;
    const int contacts = model()->rowCount(top);
    if (contacts == 0) return;
    selectionModel()->select(QItemSelection(model()->index(0, 0, top), model()->index(contacts - 1, 0, top)),
                             QItemSelectionModel::ClearAndSelect);
}

QModelIndex ContactTreeView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int rows = rowCount();
    if (rows == 0) return {};
    const int current = std::max(0, rowOf(currentIndex()));
    int row = current;
    switch (action) {
    case MoveUp:
    case MovePrevious: row = current - 1; break;
    case MoveDown:
    case MoveNext: row = current + 1; break;
    case MovePageUp: row = current - rowsPerPage(); break;
    case MovePageDown: row = current + rowsPerPage(); break;
    case MoveHome: row = 0; break;
    case MoveEnd: row = rows - 1; break;
    case MoveLeft:
        // As in a tree: Left folds the root, or goes from a contact up to the root and
        // from a list up to its heading.
        if (currentIndex().parent().isValid() && currentIndex().parent() != root()) {
            row = rowOf(currentIndex().parent());
            break;
        }
        if (current == 0) setExpanded(root(), false);
        row = 0;
        break;
    case MoveRight:
        // Right unfolds the root, or goes down to its first contact.
        if (current == 0 && !expanded_) setExpanded(root(), true);
        else if (current == 0) row = 1;
        break;
    }
    return indexOfRow(std::clamp(row, 0, rowCount() - 1));
}

int ContactTreeView::horizontalOffset() const { return 0; }

int ContactTreeView::verticalOffset() const { return firstRow() * rowHeight(); }

bool ContactTreeView::isIndexHidden(const QModelIndex& index) const { return rowOf(index) < 0; }

void ContactTreeView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    QRect area = rect.normalized();
    int top = std::max(0, firstRow() + area.top() / rowHeight());
    int bottom = std::min(rowCount() - 1, firstRow() + area.bottom() / rowHeight());
    QItemSelection selection;
    // One range per parent: the root, its contacts, the lists' heading, its lists.
    auto add = [&](int from, int to) {
        from = std::max(from, top);
        to = std::min(to, bottom);
        if (from <= to) selection.select(indexOfRow(from), indexOfRow(to));
    };
    const int heading = 1 + contactRows();
    add(0, 0);
    add(1, heading - 1);
    add(heading, heading);
    add(heading + 1, rowCount() - 1);
    selectionModel()->select(selection, command);
}

QRegion ContactTreeView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const int first = firstRow();
    const int last = first + rowsPerPage();
    for (const QItemSelectionRange& range : selection) {
        int top = rowOf(model()->index(range.top(), 0, range.parent()));
        int bottom = rowOf(model()->index(range.bottom(), 0, range.parent()));
        if (top < 0 || bottom < 0) continue;
        top = std::max(top, first);
        bottom = std::min(bottom, last);
        if (top <= bottom) region += rowRect(top).united(rowRect(bottom));
    }
    return region;
}

void ContactTreeView::scrollContentsBy(int, int) { viewport()->update(); }

void ContactTreeView::updateGeometries() {
    QScrollBar* bar = verticalScrollBar();
    bar->setSingleStep(1);
    bar->setPageStep(rowsPerPage());
    bar->setRange(0, std::max(0, rowCount() - rowsPerPage()));
    QAbstractItemView::updateGeometries();
}

void ContactTreeView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsInserted(parent, start, end);
    updateGeometries();
}

void ContactTreeView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
    updateGeometries();
}

void ContactTreeView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const int first = firstRow() + std::max(0, event->rect().top()) / rowHeight();
    const int last = std::min(rowCount() - 1, firstRow() + event->rect().bottom() / rowHeight());
    const QModelIndex current = currentIndex();
    for (int row = first; row <= last; ++row) {
        QModelIndex index = indexOfRow(row);
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.rect = visualRect(index);
        if (selectionModel()->isSelected(index)) option.state |= QStyle::State_Selected;
        if (index == current && hasFocus()) option.state |= QStyle::State_HasFocus;
        if (row == 0) {
            QStyleOption sign;
            sign.initFrom(this);
            sign.rect = signRect();
            sign.state = QStyle::State_Item | QStyle::State_Children | QStyle::State_Enabled;
            if (expanded_) sign.state |= QStyle::State_Open;
            style()->drawPrimitive(QStyle::PE_IndicatorBranch, &sign, &painter, this);
        }
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

void ContactTreeView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QAbstractItemView::currentChanged(current, previous);
    const int row = rowOf(current);
    if (!QAccessible::isActive() || row < 0 || !hasFocus()) return;
    QAccessibleEvent focus(this, QAccessible::Focus);
    focus.setChild(row);
    QAccessible::updateAccessibility(&focus);
}

// Screen readers hear of each row selected or deselected; a change of many rows at once
// (Ctrl+A on a large book) is one event that tells them to read the selection again.
void ContactTreeView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    QAbstractItemView::selectionChanged(selected, deselected);
    if (!QAccessible::isActive()) return;
    constexpr qsizetype kRowsAnnounced = 64;
    const QModelIndexList added = selected.indexes(), removed = deselected.indexes();
    if (added.size() + removed.size() > kRowsAnnounced) {
        QAccessibleEvent within(this, QAccessible::SelectionWithin);
        QAccessible::updateAccessibility(&within);
        return;
    }
    auto announce = [this](const QModelIndexList& indexes, QAccessible::Event kind) {
        for (const QModelIndex& index : indexes) {
            const int row = rowOf(index);
            if (row < 0) continue;
            QAccessibleEvent event(this, kind);
            event.setChild(row);
            QAccessible::updateAccessibility(&event);
        }
    };
    if (added.size() == 1 && removed.size() <= 1) { // one row in place of another: a plain move
        announce(added, QAccessible::Selection);
        return;
    }
    announce(removed, QAccessible::SelectionRemove);
    announce(added, QAccessible::SelectionAdd);
}

void ContactTreeView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && firstRow() == 0 && signRect().contains(event->position().toPoint())) {
        setExpanded(root(), !expanded_);
        return;
    }
    QAbstractItemView::mousePressEvent(event);
}

void ContactTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    QAbstractItemView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()) == root())
        setExpanded(root(), !expanded_);
}

} // namespace brenmoor::app
