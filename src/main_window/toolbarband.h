#pragma once

#include <QWidget>

class QToolButton;

// The band along the top of the detail area that holds the sidebar toggle. Its background
// appears only once the content has scrolled under it, so at rest the window reads as one
// calm surface.
class ToolbarBand : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(qreal backgroundOpacity READ backgroundOpacity WRITE setBackgroundOpacity)

public:
    static constexpr int height = 44;

    explicit ToolbarBand(QWidget *parent = nullptr);

    QToolButton *sidebarButton() const { return m_sidebarButton; }

    // Shows the background when the content has scrolled more than a hair (the window's
    // chatTitleBlurProgress above 0.02), easing out over 0.16 s.
    void setScrollProgress(qreal progress);
    bool backgroundShown() const { return m_backgroundShown; }

    qreal backgroundOpacity() const { return m_backgroundOpacity; }
    void setBackgroundOpacity(qreal opacity);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QToolButton *m_sidebarButton;
    bool m_backgroundShown = false;
    qreal m_backgroundOpacity = 0;
};
