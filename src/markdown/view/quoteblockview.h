#pragma once

#include <QWidget>

class QHBoxLayout;

// One quoted line: an accent bar beside the text on a faintly tinted rounded panel.
class QuoteBlockView : public QWidget
{
    Q_OBJECT

public:
    explicit QuoteBlockView(QWidget *parent = nullptr);

    // Takes ownership; the previous content is deleted.
    void setContent(QWidget *content);
    QWidget *content() const { return m_content; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRectF panelRect() const;

    QHBoxLayout *m_layout;
    QWidget *m_content = nullptr;
};
