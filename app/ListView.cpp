// SPDX-License-Identifier: GPL-3.0-or-later
#include "ListView.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>

namespace {

void AllowDragsOut(QAbstractItemView& view)
{
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setDragEnabled(true);
    view.setDragDropMode(QAbstractItemView::DragDrop);
    view.setDefaultDropAction(Qt::CopyAction);
    view.setDropIndicatorShown(false);
    view.setContextMenuPolicy(Qt::CustomContextMenu);
}

} // namespace

TKV_IconsView::TKV_IconsView(TKV_ListView& list) : QListView(&list), list_(list)
{
    AllowDragsOut(*this);
    // Entries stay where the style puts them; dragging only carries them to the other list.
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setWrapping(true);
    // Thousands of entries are laid out a batch at a time, between which the window goes on working.
    setLayoutMode(QListView::Batched);
    setBatchSize(500);
    setTextElideMode(Qt::ElideMiddle);
    hide();
}

void TKV_IconsView::focusInEvent(QFocusEvent* event)
{
    QListView::focusInEvent(event);
    emit list_.Entered();
}

void TKV_IconsView::dragEnterEvent(QDragEnterEvent* event)
{
    list_.HandleDragEnter(event);
}

void TKV_IconsView::dragMoveEvent(QDragMoveEvent* event)
{
    list_.HandleDragEnter(event);
}

void TKV_IconsView::dropEvent(QDropEvent* event)
{
    list_.HandleDrop(event);
}

void TKV_IconsView::keyPressEvent(QKeyEvent* event)
{
    if (!list_.HandleKey(event)) QListView::keyPressEvent(event);
}

TKV_ListView::TKV_ListView(QWidget* parent) : QTreeView(parent)
{
    AllowDragsOut(*this);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    icons_ = new TKV_IconsView(*this);

    connect(this, &QAbstractItemView::doubleClicked, this, &TKV_ListView::EntryDoubleClicked);
    connect(icons_, &QAbstractItemView::doubleClicked, this, &TKV_ListView::EntryDoubleClicked);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { emit MenuRequested(viewport()->mapToGlobal(pos)); });
    connect(icons_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { emit MenuRequested(icons_->viewport()->mapToGlobal(pos)); });
}

void TKV_ListView::setModel(QAbstractItemModel* model)
{
    QTreeView::setModel(model);
    icons_->setModel(model);
    icons_->setSelectionModel(selectionModel());
}

void TKV_ListView::SetViewStyle(TKV_ViewStyle style, QSize smallIcons, QSize largeIcons)
{
    style_ = style;
    // The details view's own scroll bars would show through the covering view.
    const Qt::ScrollBarPolicy bars = style == vsReport ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    setVerticalScrollBarPolicy(bars);
    setHorizontalScrollBarPolicy(bars);
    if (style == vsReport) {
        setFocusProxy(nullptr);
        const bool hadFocus = icons_->hasFocus();
        icons_->hide();
        if (hadFocus) setFocus();
        return;
    }
    const QFontMetrics metrics(font());
    switch (style) {
    case vsIcon:
        icons_->setViewMode(QListView::IconMode);
        icons_->setFlow(QListView::LeftToRight);
        icons_->setIconSize(largeIcons);
        icons_->setWordWrap(true);
        icons_->setSpacing(2);
        icons_->setGridSize(QSize(std::max(12 * metrics.averageCharWidth(), largeIcons.width() + 56),
                                  largeIcons.height() + 2 * metrics.height() + 12));
        break;
    case vsSmallIcon:
        icons_->setViewMode(QListView::ListMode);
        icons_->setFlow(QListView::LeftToRight);
        icons_->setIconSize(smallIcons);
        icons_->setWordWrap(false);
        icons_->setSpacing(0);
        icons_->setGridSize(QSize(smallIcons.width() + 22 * metrics.averageCharWidth(),
                                  std::max(smallIcons.height(), metrics.height()) + 4));
        break;
    default:
        // Columns as wide as their longest name.
        icons_->setViewMode(QListView::ListMode);
        icons_->setFlow(QListView::TopToBottom);
        icons_->setIconSize(smallIcons);
        icons_->setWordWrap(false);
        icons_->setSpacing(1);
        icons_->setGridSize(QSize());
        break;
    }
    // Styles set above can reset these.
    icons_->setMovement(QListView::Static);
    icons_->setResizeMode(QListView::Adjust);
    icons_->setWrapping(true);
    icons_->setGeometry(rect());
    const bool hadFocus = hasFocus() || icons_->hasFocus();
    icons_->show();
    icons_->raise();
    setFocusProxy(icons_);
    if (hadFocus) icons_->setFocus();
    icons_->scrollTo(currentIndex());
}

QAbstractItemView* TKV_ListView::ShownView() const
{
    return style_ == vsReport ? static_cast<QAbstractItemView*>(const_cast<TKV_ListView*>(this))
                              : static_cast<QAbstractItemView*>(icons_);
}

void TKV_ListView::HandleDragEnter(QDragMoveEvent* event)
{
    if (DragOver && DragOver(event->source())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TKV_ListView::HandleDrop(QDropEvent* event)
{
    const QObject* source = event->source();
    if (!DragOver || !DragOver(source)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (DragDrop) DragDrop(source);
}

bool TKV_ListView::HandleKey(QKeyEvent* event)
{
    if (event->modifiers() & ~Qt::KeypadModifier) return false;
    if (!selectionModel() || !selectionModel()->hasSelection()) return false;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit EntryDoubleClicked();
        return true;
    case Qt::Key_Delete:
        emit DeleteRequested();
        return true;
    default:
        return false;
    }
}

void TKV_ListView::keyPressEvent(QKeyEvent* event)
{
    if (!HandleKey(event)) QTreeView::keyPressEvent(event);
}

void TKV_ListView::focusInEvent(QFocusEvent* event)
{
    QTreeView::focusInEvent(event);
    emit Entered();
}

void TKV_ListView::resizeEvent(QResizeEvent* event)
{
    QTreeView::resizeEvent(event);
    icons_->setGeometry(rect());
}

void TKV_ListView::dragEnterEvent(QDragEnterEvent* event)
{
    HandleDragEnter(event);
}

void TKV_ListView::dragMoveEvent(QDragMoveEvent* event)
{
    HandleDragEnter(event);
}

void TKV_ListView::dropEvent(QDropEvent* event)
{
    HandleDrop(event);
}
