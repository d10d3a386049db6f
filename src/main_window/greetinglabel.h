#pragma once

#include <QFont>
#include <QWidget>

class QTextLayout;

// The large greeting of the new-chat screen: at most two lines, and before a long greeting
// takes a third line its type shrinks, down to `minimumScale` of its size; what still does
// not fit ends in an ellipsis.
class GreetingLabel : public QWidget
{
    Q_OBJECT

public:
    static constexpr int maximumLines = 2;
    static constexpr qreal minimumScale = 0.72;

    explicit GreetingLabel(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);

    struct Fit
    {
        qreal pixelSize = 0;
        int lineCount = 0;
        bool elided = false;
    };
    // How the text is set at `width`.
    Fit fit(int width) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QFont fontAt(qreal pixelSize) const;
    // Lays the text out at `width`; the number of lines, stopping at maximumLines + 1.
    int layOut(QTextLayout &layout, int width) const;

    QString m_text;
};
