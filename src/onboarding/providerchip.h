#pragma once

#include "onboarding/llmprovider.h"

#include <QAbstractButton>

class HoverAnimation;

// One choice of the "Provider" row: the provider's small mark and its name in a capsule that
// takes the accent colours while it is the chosen one.
class ProviderChip : public QAbstractButton
{
    Q_OBJECT

public:
    explicit ProviderChip(LLMProvider provider, QWidget *parent = nullptr);

    LLMProvider provider() const { return m_provider; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    // The mark drawn for `provider`, `size` pixels square in `color`.
    static QPixmap mark(LLMProvider provider, int size, const QColor &color,
                        qreal devicePixelRatio);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    LLMProvider m_provider;
    bool m_selected = false;
    HoverAnimation *m_hover;
};
