#pragma once

#include "widgets/accessiblechoices.h"

#include <QStringList>
#include <QWidget>

// A segmented picker: equal segments in a rounded track, the chosen one raised. It may
// show no chosen segment at all (currentIndex -1), as for a stored value it does not know.
// activated() is emitted only for the user's choice, never for setCurrentIndex().
class SettingsSegmentedControl
    : public QWidget
    , public AccessibleChoices
{
    Q_OBJECT

public:
    explicit SettingsSegmentedControl(const QStringList &titles, QWidget *parent = nullptr);

    QStringList titles() const { return m_titles; }
    int currentIndex() const { return m_current; }
    void setCurrentIndex(int index);
    // The segment under a point, or -1.
    int segmentAt(const QPoint &position) const;
    QRect segmentRect(int index) const;

    int choiceCount() const override { return int(m_titles.size()); }
    QString choiceName(int index) const override { return m_titles.value(index); }
    QRect choiceRect(int index) const override { return segmentRect(index); }
    int currentChoice() const override { return m_current; }
    void pickChoice(int index) override { choose(index); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void activated(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void choose(int index);
    int segmentWidth() const;

    QStringList m_titles;
    int m_current = -1;
    int m_hovered = -1;
    int m_pressed = -1;
};
