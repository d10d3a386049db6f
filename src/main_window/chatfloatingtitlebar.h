#pragma once

#include <QWidget>

// The conversation's title over the top of the message list, on a tinted glass band. It
// fades in as the list is scrolled (`progress` 0 to 1) and lets the pointer through.
class ChatFloatingTitleBar : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(qreal shownProgress READ shownProgress WRITE setShownProgress)

public:
    static constexpr int titleHeight = 44;

    explicit ChatFloatingTitleBar(QWidget *parent = nullptr);

    QString title() const { return m_title; }
    void setTitle(const QString &title);

    qreal progress() const { return m_progress; }
    // Eases the band towards `progress` over 0.16 s.
    void setProgress(qreal progress);

    // What is drawn now, trailing `progress` while it eases.
    qreal shownProgress() const { return m_shownProgress; }
    void setShownProgress(qreal progress);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_title;
    qreal m_progress = 0;
    qreal m_shownProgress = 0;
};
