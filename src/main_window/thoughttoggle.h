#pragma once

#include <QAbstractButton>

class HoverAnimation;

// The header of a thought above an answer: a chevron and the thought's summary ("Thought for
// 12 seconds"), which opens and closes the thought on a click, Return or Space. While the
// model still thinks it is disabled and reads "Thinking…".
//
// It tells assistive technology that it is a button that expands and collapses, which no
// widget of Qt's own says.
class ThoughtToggle : public QAbstractButton
{
    Q_OBJECT

public:
    explicit ThoughtToggle(QWidget *parent = nullptr);

    static constexpr int symbolSize = 10;
    static constexpr int symbolGap = 6;
    static constexpr int horizontalPadding = 6;
    static constexpr int verticalPadding = 4;

    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    bool m_expanded = false;
    HoverAnimation *m_hover;
};
