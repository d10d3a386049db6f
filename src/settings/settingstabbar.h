#pragma once

#include "widgets/accessiblechoices.h"

#include <QList>
#include <QString>
#include <QWidget>

// The toolbar of the settings window: one item per tab, its symbol above its label, the
// current one on a raised rounded plate with the symbol in the accent colour. Arrow keys
// move between the items.
class SettingsTabBar
    : public QWidget
    , public AccessibleChoices
{
    Q_OBJECT

public:
    struct Tab
    {
        QString label;
        QString symbol;
    };

    explicit SettingsTabBar(QWidget *parent = nullptr);

    void addTab(const QString &label, const QString &symbol);
    int count() const { return int(m_tabs.size()); }
    Tab tab(int index) const { return m_tabs.value(index); }
    int currentIndex() const { return m_current; }
    void setCurrentIndex(int index);
    QRect tabRect(int index) const;
    int tabAt(const QPoint &position) const;

    int choiceCount() const override { return count(); }
    QString choiceName(int index) const override { return tab(index).label; }
    QRect choiceRect(int index) const override { return tabRect(index); }
    int currentChoice() const override { return m_current; }
    void pickChoice(int index) override { setCurrentIndex(index); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void currentChanged(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    int itemWidth() const;

    QList<Tab> m_tabs;
    int m_current = -1;
    int m_hovered = -1;
};
