#include "onboarding/onboardingnamepage.h"

#include "onboarding/inktextfield.h"
#include "onboarding/onboardingmodel.h"

#include <QVBoxLayout>

using namespace Qt::StringLiterals;

OnboardingNamePage::OnboardingNamePage(OnboardingModel &model, QWidget *parent)
    : OnboardingPage(OnboardingStage::Name, model, parent)
    , m_field(new InkTextField(tr("Your name"), false, this))
{
    m_field->setObjectName(u"nameField"_s);
    contentLayout()->addWidget(m_field);
    contentLayout()->addStretch(1);
    connect(m_field, &InkTextField::textEdited, this,
            [this](const QString &text) { this->model().setNameDraft(text); });
}

void OnboardingNamePage::refresh()
{
    m_field->setText(model().nameDraft());
}

QWidget *OnboardingNamePage::focusField() const
{
    return m_field;
}
