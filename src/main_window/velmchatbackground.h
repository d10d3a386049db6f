#pragma once

#include <QWidget>

class QPainter;

// The main window's full-bleed background: a quiet diagonal gradient from
// AppBackgroundStart to AppBackgroundEnd in the scheme of its palette. Use it as the
// window's central widget (or the lowest child of the detail area) and lay the sidebar and
// the conversation out inside it; children without a background of their own show it.
class VelmChatBackground : public QWidget
{
    Q_OBJECT

public:
    explicit VelmChatBackground(QWidget *parent = nullptr);

    // Draws the background into `rect` of any painter.
    static void paint(QPainter &painter, const QRectF &rect, bool dark);

protected:
    void paintEvent(QPaintEvent *event) override;
};
