#pragma once

#include <QWidget>

// Lies over the top of the message list and lets the text fade out under the title bar:
// a band `fadeHeight` high in the window's background colour, opaque at the top and clear
// at the bottom (stops at 0.24 and 0.62 of its height), that grows in over the first
// `fadeDistance` points of scrolling. The pointer passes through.
class ChatTopScrollFade : public QWidget
{
    Q_OBJECT

public:
    static constexpr int fadeHeight = 84;
    static constexpr int fadeDistance = 24;

    explicit ChatTopScrollFade(QWidget *parent = nullptr);

    int scrollOffset() const { return m_scrollOffset; }
    void setScrollOffset(int offset);

    // How strongly the band shows: none at rest, all after `fadeDistance` points.
    qreal strength() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_scrollOffset = 0;
};
