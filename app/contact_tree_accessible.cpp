// The contact tree's accessible interfaces: the view and its rows.
#include "app/contact_tree_accessible.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QItemSelectionModel>
#include <QPointer>

#include "app/contact_tree_model.h"
#include "app/contact_tree_view.h"

namespace brenmoor::app {

namespace {

class TreeAccessible;

// One shown row of the tree (the view numbers them: the root, its contacts, the lists). It asks the view for
// everything each time, so it stays right while the list changes under it.
class RowAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    RowAccessible(ContactTreeView* view, int row) : view_(view), row_(row) {}

    bool isValid() const override { return view_ && index().isValid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(view_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        if (t == QAccessible::Name) return index().data(Qt::DisplayRole).toString();
        if (t == QAccessible::Description) return index().data(kNodeKeyRole).toString();
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        if (!isValid()) return {};
        const QRect local = view_->visualRect(index());
        return QRect(view_->viewport()->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override { return QAccessible::TreeItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) return state;
        state.selectable = true;
        state.focusable = true;
        const QModelIndex here = index();
        state.selected = view_->selectionModel() && view_->selectionModel()->isSelected(here);
        state.focused = view_->hasFocus() && view_->currentIndex() == here;
        state.invisible = view_->visualRect(here).intersected(view_->viewport()->rect()).isEmpty();
        if (row_ == 0) {
            state.expandable = true;
            state.expanded = view_->isExpanded(here);
            state.collapsed = !state.expanded;
        }
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }
    // A screen reader or switch access picks a row as a click does, or adds it to the
    // selection (or takes it out) as Ctrl+click does.
    QStringList actionNames() const override {
        return {QAccessibleActionInterface::setFocusAction(), QAccessibleActionInterface::toggleAction()};
    }
    void doAction(const QString& action) override {
        if (!isValid() || !view_->selectionModel()) return;
        const bool toggle = action == QAccessibleActionInterface::toggleAction();
        if (!toggle && action != QAccessibleActionInterface::setFocusAction()) return;
        view_->setFocus(Qt::OtherFocusReason);
        view_->selectionModel()->setCurrentIndex(
            index(), toggle ? QItemSelectionModel::Toggle : QItemSelectionModel::ClearAndSelect);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QModelIndex index() const {
        if (!view_ || !view_->model()) return {};
        return view_->indexOfRow(row_);
    }

    QPointer<ContactTreeView> view_;
    int row_;
};

class TreeAccessible : public QAccessibleWidget {
public:
    explicit TreeAccessible(ContactTreeView* view) : QAccessibleWidget(view, QAccessible::Tree) {}
    ~TreeAccessible() override {
        for (QAccessible::Id id : std::as_const(rows_)) QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override {
        return view()->model() ? view()->rowCount() : 0;
    }
    QAccessibleInterface* child(int i) const override {
        if (i < 0 || i >= childCount()) return nullptr;
        auto found = rows_.constFind(i);
        if (found != rows_.constEnd()) return QAccessible::accessibleInterface(*found);
        auto* row = new RowAccessible(view(), i);
        rows_.insert(i, QAccessible::registerAccessibleInterface(row));
        return row;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (auto it = rows_.constBegin(); it != rows_.constEnd(); ++it)
            if (QAccessible::accessibleInterface(*it) == child) return it.key();
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint local = view()->viewport()->mapFromGlobal(QPoint(x, y));
        return child(rowOf(view()->indexAt(local)));
    }
    QAccessibleInterface* focusChild() const override {
        if (!view()->hasFocus()) return nullptr;
        return child(rowOf(view()->currentIndex()));
    }

private:
    ContactTreeView* view() const { return static_cast<ContactTreeView*>(widget()); }
    int rowOf(const QModelIndex& index) const { return view()->rowOf(index); }

    mutable QHash<int, QAccessible::Id> rows_;
};

QAccessibleInterface* contactTreeFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("brenmoor::app::ContactTreeView") && object && object->isWidgetType())
        return new TreeAccessible(static_cast<ContactTreeView*>(object));
    return nullptr;
}

} // namespace

void installContactTreeAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(contactTreeFactory);
        return true;
    }();
    (void)installed;
}

} // namespace brenmoor::app
