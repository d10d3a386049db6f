#pragma once

#include <QWidget>

// The Quick Ask bar's card: a glass panel with the scheme's tint laid over it and a fine
// double outline, light catching its top-left edge. Its children are the bar's rows.
class AskCard : public QWidget
{
    Q_OBJECT

public:
    static constexpr qreal cornerRadius = 18;

    explicit AskCard(QWidget *parent = nullptr);

    bool dark() const { return m_dark; }
    void setDark(bool dark);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_dark = true;
};
