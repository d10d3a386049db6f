#pragma once

#include "chat/settingskeys.h"
#include "search/searchmode.h"

#include <QToolButton>

class QActionGroup;
class Settings;

// The composer's web search switch: a capsule with the globe and the mode's label
// ("Search auto", "Search on", "Search off") that opens a menu of the three modes. Picking
// one writes "webSearchMode"; the chip follows the setting wherever it is changed.
class WebSearchChip : public QToolButton
{
    Q_OBJECT
    Q_PROPERTY(qreal hoverProgress READ hoverProgress WRITE setHoverProgress)

public:
    explicit WebSearchChip(Settings *settings, QWidget *parent = nullptr);

    WebSearchMode mode() const { return m_mode; }
    // The symbol drawn before the label.
    QString symbolName() const;

    qreal hoverProgress() const { return m_hoverProgress; }
    void setHoverProgress(qreal progress);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildMenu();
    void updateFromSettings();
    void updateMenuIcons();
    QColor chipColor() const;

    Settings *m_settings;
    QActionGroup *m_modes = nullptr;
    WebSearchMode m_mode = WebSearchMode::Auto;
    qreal m_hoverProgress = 0;
};
