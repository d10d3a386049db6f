#include "main_window/greetinglabel.h"

#include "widgets/accessiblerole.h"
#include "widgets/appcolors.h"
#include "widgets/typestyles.h"

#include <QEvent>
#include <QPainter>
#include <QTextLayout>

#include <cmath>

GreetingLabel::GreetingLabel(QWidget *parent)
    : QWidget(parent)
{
    // The greeting opens the new-chat screen: a heading, which a screen reader's heading keys
    // find.
    AccessibleRole::assign("GreetingLabel", QAccessible::Heading);
    setFont(TypeStyles::font(TypeStyle::HeroTitle));
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void GreetingLabel::setText(const QString &text)
{
    if (m_text == text)
        return;
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

QFont GreetingLabel::fontAt(qreal pixelSize) const
{
    QFont scaled = font();
    scaled.setPixelSize(qMax(1, qRound(pixelSize)));
    return scaled;
}

int GreetingLabel::layOut(QTextLayout &layout, int width) const
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int lines = 0;
    qreal y = 0;
    while (lines <= maximumLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(qMax(1, width));
        line.setPosition(QPointF(0, y));
        y += line.height();
        ++lines;
    }
    layout.endLayout();
    return lines;
}

GreetingLabel::Fit GreetingLabel::fit(int width) const
{
    const qreal base = font().pixelSize() > 0 ? font().pixelSize() : font().pointSizeF();
    const int smallest = int(std::ceil(base * minimumScale));
    for (int size = qRound(base); size >= smallest; --size) {
        QTextLayout layout(m_text, fontAt(size));
        const int lines = layOut(layout, width);
        if (lines <= maximumLines)
            return {qreal(size), qMax(lines, 1), false};
    }
    return {qreal(smallest), maximumLines, true};
}

int GreetingLabel::heightForWidth(int width) const
{
    const Fit fitted = fit(width);
    return qCeil(QFontMetricsF(fontAt(fitted.pixelSize)).lineSpacing() * fitted.lineCount);
}

QSize GreetingLabel::sizeHint() const
{
    const int width = QFontMetrics(font()).horizontalAdvance(m_text) + 1;
    return {width, heightForWidth(width)};
}

QSize GreetingLabel::minimumSizeHint() const
{
    return {0, qCeil(QFontMetricsF(font()).lineSpacing())};
}

void GreetingLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(AppColors::primaryText(palette()));
    const Fit fitted = fit(width());
    const QFont font = fontAt(fitted.pixelSize);
    QTextLayout layout(m_text, font);
    layOut(layout, width());
    const int shown = qMin(fitted.lineCount, layout.lineCount());
    for (int i = 0; i < shown; ++i) {
        const QTextLine line = layout.lineAt(i);
        if (fitted.elided && i == shown - 1) {
            const QString rest = m_text.mid(line.textStart()).simplified();
            painter.setFont(font);
            const QString elided = QFontMetrics(font).elidedText(rest, Qt::ElideRight, width());
            painter.drawText(QPointF(0, line.y() + line.ascent()), elided);
        } else {
            line.draw(&painter, QPointF(0, 0));
        }
    }
}

void GreetingLabel::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateGeometry();
}
