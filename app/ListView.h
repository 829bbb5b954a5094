// SPDX-License-Identifier: GPL-3.0-or-later
// A file list in four view styles. The list itself is the details view (a table with a header); for
// the icon and list styles a second view over the same entries and the same selection covers it, so
// that the window and the workflows see one list whatever the style.
#pragma once

#include <QListView>
#include <QTreeView>

#include <functional>

enum TKV_ViewStyle
{
    vsIcon,      // large icons
    vsSmallIcon, // small icons
    vsList,      // small icons in columns
    vsReport,    // details
};

class TKV_ListView;

// The covering view of the icon and list styles.
class TKV_IconsView : public QListView
{
    Q_OBJECT

public:
    explicit TKV_IconsView(TKV_ListView& list);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    TKV_ListView& list_;
};

class TKV_ListView : public QTreeView
{
    Q_OBJECT

public:
    explicit TKV_ListView(QWidget* parent = nullptr);

    // The entries, for both views.
    void setModel(QAbstractItemModel* model) override;

    void SetViewStyle(TKV_ViewStyle style, QSize smallIcons, QSize largeIcons);
    TKV_ViewStyle ViewStyle() const { return style_; }
    TKV_IconsView* IconsView() const { return icons_; }
    // The view the user sees now.
    QAbstractItemView* ShownView() const;
    // `view` is this list or its covering view: a drag from it comes from this list.
    bool Owns(const QObject* view) const { return view != nullptr && (view == this || view == icons_); }

    // Asked whether a drag from `source` (the view that started it; null from outside the program)
    // may drop here, and told when it did.
    std::function<bool(const QObject* source)> DragOver;
    std::function<void(const QObject* source)> DragDrop;

    // Both views share these handlers.
    void HandleDragEnter(QDragMoveEvent* event);
    void HandleDrop(QDropEvent* event);
    // Enter and Delete on a selection, as file managers take them; true when the key was used.
    bool HandleKey(QKeyEvent* event);

signals:
    // Either view received the keyboard focus.
    void Entered();
    // An entry was double-clicked in either view, or Enter pressed on a selection.
    void EntryDoubleClicked();
    // The Delete key was pressed on a selection.
    void DeleteRequested();
    // The pop-up menu was asked for at `globalPos`.
    void MenuRequested(const QPoint& globalPos);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    TKV_IconsView* icons_ = nullptr;
    TKV_ViewStyle style_ = vsReport;
};
