#include "onboarding/kbdkey.h"

#include "onboarding/onboardingcolors.h"
#include "widgets/typestyles.h"

#include <QKeySequence>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

constexpr int capHeight = 26;
constexpr int horizontalPadding = 8;
constexpr qreal cornerRadius = 6;
constexpr int keyTravel = 2;

struct ModifierCap
{
    Qt::KeyboardModifier modifier;
    QStringView name;
};

// In the order the platform's menus show them.
#ifdef Q_OS_MACOS
// Qt calls the Command key Control on macOS, and the Control key Meta.
constexpr ModifierCap modifierCaps[] = {{Qt::MetaModifier, u"⌃"},
                                        {Qt::AltModifier, u"⌥"},
                                        {Qt::ShiftModifier, u"⇧"},
                                        {Qt::ControlModifier, u"⌘"}};
#else
constexpr ModifierCap modifierCaps[] = {{Qt::MetaModifier, u"Super"},
                                        {Qt::ControlModifier, u"Ctrl"},
                                        {Qt::AltModifier, u"Alt"},
                                        {Qt::ShiftModifier, u"Shift"}};
#endif

} // namespace

KbdKey::KbdKey(const QString &label, QWidget *parent)
    : QWidget(parent)
    , m_label(label)
{
    setFont(TypeStyles::face(u"Inter18pt-Medium", 12));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(label);
}

QStringList KbdKey::capsFor(QKeyCombination chord)
{
    const Qt::KeyboardModifiers modifiers = chord.keyboardModifiers();
    QStringList caps;
    for (const ModifierCap &cap : modifierCaps) {
        if (modifiers & cap.modifier)
            caps << cap.name.toString();
    }
    caps << QKeySequence(chord.key()).toString(QKeySequence::NativeText);
    return caps;
}

QSize KbdKey::sizeHint() const
{
    const int textWidth = fontMetrics().horizontalAdvance(m_label);
    return QSize(qMax(capHeight, textWidth + 2 * horizontalPadding), capHeight + keyTravel);
}

void KbdKey::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    const OnboardingColors colors = OnboardingColors::of(this);
    const bool dark = colors.cardBackground.lightnessF() < 0.5f;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF cap = QRectF(0.5, 0.5, width() - 1, capHeight - 1);
    // The key's side, seen below its top: a cap rather than a flat label.
    painter.setPen(Qt::NoPen);
    painter.setBrush(dark ? QColor(0, 0, 0, 140) : OnboardingColors::faded(colors.mutedText, 0.35));
    painter.drawRoundedRect(cap.translated(0, keyTravel), cornerRadius, cornerRadius);
    painter.setPen(QPen(colors.hairline(), 1));
    painter.setBrush(dark ? colors.surface.lighter(118) : QColor(Qt::white));
    painter.drawRoundedRect(cap, cornerRadius, cornerRadius);
    painter.setPen(colors.secondaryText);
    painter.drawText(cap, Qt::AlignCenter, m_label);
}
