#include "onboarding/setuplaterdialog.h"

#include "onboarding/onboardingcolors.h"
#include "widgets/typestyles.h"

#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

SetUpLaterDialog::SetUpLaterDialog(bool dark, QWidget *parent)
    : QMessageBox(parent)
{
    const QString title = tr("Set up local LLM later?");
    setWindowTitle(title);
    setIcon(QMessageBox::NoIcon);
    setTextFormat(Qt::PlainText);
    setText(title);
    setInformativeText(tr("velm won't be usable until you connect an OpenAI-compatible endpoint."));
    setPalette(OnboardingColors::palette(dark));
    setFont(TypeStyles::face(u"Inter18pt-Regular", 13));
    m_continue = addButton(tr("Continue without LLM"), QMessageBox::AcceptRole);
    m_cancel = addButton(tr("Cancel"), QMessageBox::RejectRole);
    setDefaultButton(m_continue);
    setEscapeButton(m_cancel);
    setWindowModality(Qt::WindowModal);
    // The question stands out from the explanation under it.
    if (auto *label = findChild<QLabel *>(u"qt_msgbox_label"_s)) {
        label->setFont(TypeStyles::face(u"Inter18pt-SemiBold", 14));
    }
    if (auto *informative = findChild<QLabel *>(u"qt_msgbox_informativelabel"_s)) {
        QPalette p = informative->palette();
        p.setColor(QPalette::WindowText, OnboardingColors::forScheme(dark).secondaryText);
        informative->setPalette(p);
        // Wide enough that the explanation reads as one sentence, not a narrow column.
        informative->setMinimumWidth(320);
    }
    connect(this, &QMessageBox::buttonClicked, this, [this](QAbstractButton *button) {
        if (button == m_continue)
            Q_EMIT continueChosen();
    });
}
