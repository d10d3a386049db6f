#include "onboarding/inktextfield.h"

#include "onboarding/onboardingcolors.h"
#include "widgets/typestyles.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>

namespace {

constexpr int fieldHeight = 40;
constexpr qreal cornerRadius = 10;
constexpr int horizontalPadding = 13;
constexpr qreal textSize = 13;

} // namespace

InkTextField::InkTextField(const QString &placeholder, bool monospaced, QWidget *parent)
    : QWidget(parent)
    , m_edit(new QLineEdit(this))
    , m_monospaced(monospaced)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::IBeamCursor);
    m_edit->setFrame(false);
    m_edit->setPlaceholderText(placeholder);
    m_edit->setFont(monospaced ? TypeStyles::monospace(textSize)
                               : TypeStyles::face(u"Inter18pt-Regular", textSize));
    m_edit->setAttribute(Qt::WA_MacShowFocusRect, false);
    m_edit->installEventFilter(this);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(horizontalPadding, 0, horizontalPadding, 0);
    layout->addWidget(m_edit);
    setFocusProxy(m_edit);
    // A screen reader reads the field itself; the placeholder is an example, not a name.
    m_edit->setAccessibleName(placeholder);
    connect(m_edit, &QLineEdit::textEdited, this, &InkTextField::textEdited);
    applyColors();
}

void InkTextField::setFieldName(const QString &name)
{
    m_edit->setAccessibleName(name);
}

QString InkTextField::text() const
{
    return m_edit->text();
}

void InkTextField::setText(const QString &text)
{
    if (m_edit->text() != text)
        m_edit->setText(text);
}

QString InkTextField::placeholder() const
{
    return m_edit->placeholderText();
}

void InkTextField::setState(std::optional<FieldState> state)
{
    if (m_state == state)
        return;
    m_state = state;
    update();
}

QSize InkTextField::sizeHint() const
{
    return QSize(280, fieldHeight);
}

bool InkTextField::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit
        && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        update();
    return QWidget::eventFilter(watched, event);
}

void InkTextField::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColors();
}

void InkTextField::applyColors()
{
    // The line edit draws only its text: the surface behind it is this widget's.
    const OnboardingColors colors = OnboardingColors::of(this);
    QPalette p = m_edit->palette();
    p.setColor(QPalette::Base, Qt::transparent);
    p.setColor(QPalette::Text, colors.primaryText);
    p.setColor(QPalette::PlaceholderText, OnboardingColors::faded(colors.mutedText, 0.85));
    p.setColor(QPalette::Highlight, OnboardingColors::faded(colors.accent, 0.45));
    p.setColor(QPalette::HighlightedText, colors.primaryText);
    m_edit->setPalette(p);
}

void InkTextField::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    const OnboardingColors colors = OnboardingColors::of(this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);

    QColor fill = colors.surface;
    QColor edge = colors.hairline();
    qreal edgeWidth = 1;
    if (m_state) {
        const QColor tone = *m_state == FieldState::Valid ? OnboardingColors::valid()
                                                          : OnboardingColors::warning();
        fill = OnboardingColors::faded(tone, 0.07);
        // Laid over the surface, so the tint reads as the field's own colour.
        painter.setPen(Qt::NoPen);
        painter.setBrush(colors.surface);
        painter.drawRoundedRect(box, cornerRadius, cornerRadius);
        edge = OnboardingColors::faded(tone, 0.75);
    } else if (m_edit->hasFocus()) {
        edge = OnboardingColors::faded(colors.accent, 0.75);
        edgeWidth = 1.5;
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(box, cornerRadius, cornerRadius);
    painter.setPen(QPen(edge, edgeWidth));
    painter.setBrush(Qt::NoBrush);
    const qreal inset = edgeWidth / 2;
    painter.drawRoundedRect(box.adjusted(inset - 0.5, inset - 0.5, 0.5 - inset, 0.5 - inset),
                            cornerRadius, cornerRadius);
}
