// SPDX-License-Identifier: GPL-3.0-or-later
// A status bar of fixed panels, each with its own width and text; the last panel reaches to the
// right edge. The statistics bars have three panels, the status line one.
#pragma once

#include <QStringList>
#include <QVector>
#include <QWidget>

class TKV_StatusBar : public QWidget
{
    Q_OBJECT

public:
    explicit TKV_StatusBar(int panels, QWidget* parent = nullptr);

    int PanelCount() const { return static_cast<int>(texts_.size()); }
    QString PanelText(int panel) const { return texts_.value(panel); }
    void SetPanelText(int panel, const QString& text);
    int PanelWidth(int panel) const { return widths_.value(panel); }
    void SetPanelWidth(int panel, int width);
    // The status line shows its whole text as a tool tip, for messages longer than the bar.
    void SetShowTips(bool on) { showTips_ = on; }
    // The panel at `x`, or -1.
    int PanelAt(int x) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // Every text put into a panel, also one equal to the text before.
    void PanelTextSet(int panel, const QString& text);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Panel rectangles as painted: narrowed in proportion when the bar is narrower than its panels.
    QVector<QRect> PanelRects() const;

    QStringList texts_;
    QVector<int> widths_;
    bool showTips_ = false;
};
