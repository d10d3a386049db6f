#pragma once

#include <QWidget>

// A thin horizontal rule with 8 pixels of space above and below.
class DividerView : public QWidget
{
    Q_OBJECT

public:
    explicit DividerView(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
