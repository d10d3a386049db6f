#pragma once

#include <QVariantAnimation>
#include <QWidget>

// A small ring with a turning arc: work whose length is not known. It turns only while shown.
class UpdateSpinner : public QWidget
{
    Q_OBJECT

public:
    static constexpr int diameter = 18;

    explicit UpdateSpinner(QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QVariantAnimation m_turn;
};
