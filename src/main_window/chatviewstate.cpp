#include "main_window/chatviewstate.h"

ChatViewState::ChatViewState(QObject *parent)
    : QObject(parent)
{ }

void ChatViewState::setColumnVisibility(ColumnVisibility visibility)
{
    if (m_columnVisibility == visibility)
        return;
    m_columnVisibility = visibility;
    Q_EMIT columnVisibilityChanged();
}

void ChatViewState::toggleColumns()
{
    setColumnVisibility(m_columnVisibility == ColumnVisibility::All ? ColumnVisibility::DetailOnly
                                                                    : ColumnVisibility::All);
}

void ChatViewState::setChatTitleBlurProgress(double progress)
{
    if (m_chatTitleBlurProgress == progress)
        return;
    m_chatTitleBlurProgress = progress;
    Q_EMIT chatTitleBlurProgressChanged();
}

void ChatViewState::setShouldRestoreMainWindowFromOnboarding(bool restore)
{
    if (m_shouldRestoreMainWindowFromOnboarding == restore)
        return;
    m_shouldRestoreMainWindowFromOnboarding = restore;
    Q_EMIT shouldRestoreMainWindowFromOnboardingChanged();
}

void ChatViewState::reset()
{
    setColumnVisibility(ColumnVisibility::DetailOnly);
    setChatTitleBlurProgress(0);
}
