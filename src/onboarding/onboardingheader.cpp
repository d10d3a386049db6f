#include "onboarding/onboardingheader.h"

#include "onboarding/onboardingcolors.h"
#include "widgets/typestyles.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

OnboardingHeader::OnboardingHeader(OnboardingStage stage, QWidget *parent)
    : QWidget(parent)
    , m_stage(stage)
    , m_step(new QLabel(onboardingStepLabel(stage), this))
    , m_title(new QLabel(this))
    , m_subtitle(new QLabel(onboardingSubtitle(stage), this))
{
    QFont stepFont = TypeStyles::face(u"Inter18pt-SemiBold", 11);
    stepFont.setCapitalization(QFont::AllUppercase);
    stepFont.setLetterSpacing(QFont::AbsoluteSpacing, 1);
    m_step->setFont(stepFont);
    m_step->setTextFormat(Qt::PlainText);
    m_step->setVisible(!m_step->text().isEmpty());

    QFont titleFont = TypeStyles::face(u"Inter18pt-SemiBold", 22);
    titleFont.setLetterSpacing(QFont::AbsoluteSpacing, -0.5);
    m_title->setFont(titleFont);
    m_title->setTextFormat(Qt::PlainText);
    m_title->setText(onboardingTitle(stage));

    m_subtitle->setFont(TypeStyles::face(u"Inter18pt-Regular", 13));
    m_subtitle->setTextFormat(Qt::PlainText);
    m_subtitle->setWordWrap(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_step);
    layout->addSpacing(m_step->isVisible() ? 8 : 0);
    layout->addWidget(m_title);
    layout->addSpacing(6);
    layout->addWidget(m_subtitle);
    applyColors();
}

void OnboardingHeader::setCentered(bool centered)
{
    const Qt::Alignment alignment = centered ? Qt::AlignHCenter : Qt::AlignLeft;
    for (QLabel *label : {m_step, m_title, m_subtitle})
        label->setAlignment(alignment | Qt::AlignVCenter);
}

void OnboardingHeader::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColors();
}

void OnboardingHeader::applyColors()
{
    const OnboardingColors colors = OnboardingColors::of(this);
    const auto paint = [](QLabel *label, const QColor &color) {
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, color);
        label->setPalette(p);
    };
    paint(m_step, OnboardingColors::faded(colors.accent, 0.7));
    paint(m_title, colors.primaryText);
    paint(m_subtitle, colors.mutedText);
    if (m_stage == OnboardingStage::Done) {
        // The closing full stop in the accent colour: the one flourish of the last stage.
        const QString title = onboardingTitle(m_stage);
        if (title.endsWith(u'.')) {
            m_title->setTextFormat(Qt::RichText);
            m_title->setText(u"%1<span style=\"color:%2\">.</span>"_s.arg(
                title.chopped(1).toHtmlEscaped(), colors.accent.name()));
        }
    }
}
