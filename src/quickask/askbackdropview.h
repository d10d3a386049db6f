#pragma once

#include <QWidget>

// The dimmed wash behind the Quick Ask bar: a diagonal gradient with two soft clouds of
// colour, drawn at 55 % opacity over the whole screen.
class AskBackdropView : public QWidget
{
    Q_OBJECT

public:
    explicit AskBackdropView(QWidget *parent = nullptr);

    bool dark() const { return m_dark; }
    void setDark(bool dark);

    static constexpr qreal opacity = 0.55;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_dark = true;
};
