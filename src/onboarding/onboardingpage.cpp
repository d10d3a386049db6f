#include "onboarding/onboardingpage.h"

#include "onboarding/onboardingcolors.h"
#include "onboarding/onboardingheader.h"
#include "onboarding/onboardingmodel.h"
#include "widgets/typestyles.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int headerContentGap = 22;
const char captionProperty[] = "onboardingCaption";

} // namespace

OnboardingPage::OnboardingPage(OnboardingStage stage, OnboardingModel &model, QWidget *parent)
    : QWidget(parent)
    , m_stage(stage)
    , m_model(model)
    , m_content(new QVBoxLayout)
{
    setObjectName(u"onboardingPage_"_s + onboardingStageName(stage));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (stage != OnboardingStage::Welcome && stage != OnboardingStage::Done) {
        m_header = new OnboardingHeader(stage, this);
        layout->addWidget(m_header);
        layout->addSpacing(headerContentGap);
    }
    m_content->setContentsMargins(0, 0, 0, 0);
    m_content->setSpacing(0);
    layout->addLayout(m_content, 1);
}

OnboardingModel &OnboardingPage::model() const
{
    return m_model;
}

QLabel *OnboardingPage::makeCaption(const QString &text)
{
    auto *caption = new QLabel(text, this);
    caption->setTextFormat(Qt::PlainText);
    caption->setFont(TypeStyles::face(u"Inter18pt-Medium", 12));
    caption->setProperty(captionProperty, true);
    QPalette p = caption->palette();
    p.setColor(QPalette::WindowText, OnboardingColors::of(this).secondaryText);
    caption->setPalette(p);
    return caption;
}

void OnboardingPage::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        colorCaptions();
}

void OnboardingPage::colorCaptions()
{
    const QColor color = OnboardingColors::of(this).secondaryText;
    const QList<QLabel *> labels = findChildren<QLabel *>();
    for (QLabel *label : labels) {
        if (!label->property(captionProperty).toBool())
            continue;
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, color);
        label->setPalette(p);
    }
}
