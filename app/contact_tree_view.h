// The contact tree as the user sees it: the root "Notes Address Book" with its
// expand sign, and its contacts one row each below it, indented. Every row has the
// same height and is drawn when it comes into view, so the view keeps nothing per
// row: a million contacts scroll as easily as ten (a tree view proper keeps a layout
// record of some forty bytes per shown row). Made for ContactTreeModel's two levels;
// the heading of the mailing lists, where there is one, follows the contacts, always open.
#pragma once

#include <QAbstractItemView>

namespace brenmoor::app {

class ContactTreeView : public QAbstractItemView {
    Q_OBJECT
public:
    explicit ContactTreeView(QWidget* parent = nullptr);

    // Whether the root shows its contacts (the contacts themselves have none).
    bool isExpanded(const QModelIndex& index) const;
    void setExpanded(const QModelIndex& index, bool expanded);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    // A new list (a scan, a filter) gets its scroll range at once, not at the next layout.
    void reset() override;
    // The rows shown, top to bottom: the root, its contacts when expanded, the lists'
    // heading and its lists; the index of one, and the row of an index (-1: not shown).
    int rowCount() const;
    QModelIndex indexOfRow(int row) const;
    int rowOf(const QModelIndex& index) const;

    // Ctrl+A: every contact shown (the root is no contact to select with them).
    void selectAll() override;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // Tells a screen reader which row has the focus now.
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

private:
    QModelIndex root() const;
    int rowHeight() const;
    int contactRows() const; // the contacts shown under the root: none while it is folded
    int rowsPerPage() const;
    int firstRow() const;
    QRect rowRect(int row) const;              // the whole row, in viewport coordinates
    QRect signRect() const;                    // the root's expand sign

    bool expanded_ = true;
};

} // namespace brenmoor::app
