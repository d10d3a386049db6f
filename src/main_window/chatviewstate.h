#pragma once

#include <QObject>

// How the main window's chat is shown, as several of its views share it (ContentView owns
// it): whether the sidebar column is out, how far the content has scrolled under the title
// (the toolbar band and the floating title fade in with it), and whether the window should
// return to its default size once the first-run flow is done. Nothing here is about the
// conversations themselves.
class ChatViewState : public QObject
{
    Q_OBJECT
    Q_PROPERTY(ColumnVisibility columnVisibility READ columnVisibility WRITE setColumnVisibility
                   NOTIFY columnVisibilityChanged)
    Q_PROPERTY(double chatTitleBlurProgress READ chatTitleBlurProgress WRITE
                   setChatTitleBlurProgress NOTIFY chatTitleBlurProgressChanged)
    Q_PROPERTY(bool shouldRestoreMainWindowFromOnboarding READ shouldRestoreMainWindowFromOnboarding
                   WRITE setShouldRestoreMainWindowFromOnboarding NOTIFY
                       shouldRestoreMainWindowFromOnboardingChanged)

public:
    enum class ColumnVisibility { All, DetailOnly };
    Q_ENUM(ColumnVisibility)

    explicit ChatViewState(QObject *parent = nullptr);

    ColumnVisibility columnVisibility() const { return m_columnVisibility; }
    void setColumnVisibility(ColumnVisibility visibility);
    // The sidebar column shows, or not.
    void toggleColumns();

    // 0 at rest to 1 once the content has scrolled well under the title.
    double chatTitleBlurProgress() const { return m_chatTitleBlurProgress; }
    void setChatTitleBlurProgress(double progress);

    bool shouldRestoreMainWindowFromOnboarding() const
    {
        return m_shouldRestoreMainWindowFromOnboarding;
    }
    void setShouldRestoreMainWindowFromOnboarding(bool restore);

    // As an empty window starts: the detail column alone, nothing scrolled.
    void reset();

Q_SIGNALS:
    void columnVisibilityChanged();
    void chatTitleBlurProgressChanged();
    void shouldRestoreMainWindowFromOnboardingChanged();

private:
    ColumnVisibility m_columnVisibility = ColumnVisibility::DetailOnly;
    double m_chatTitleBlurProgress = 0;
    bool m_shouldRestoreMainWindowFromOnboarding = false;
};
