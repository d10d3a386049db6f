#pragma once

#include <QWidget>

#include <optional>

class QVariantAnimation;

// The outcome of a connection test under its field: a spinner and "Connecting…" while the
// test runs, then a check in green or an exclamation mark in amber before the status text.
class StatusBadge : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(qreal spinnerAngle READ spinnerAngle WRITE setSpinnerAngle)

public:
    explicit StatusBadge(QWidget *parent = nullptr);

    bool isLoading() const { return m_loading; }
    std::optional<bool> ok() const { return m_ok; }
    QString text() const { return m_text; }
    // What the badge reads, as it is drawn: "Connecting…" while loading.
    QString shownText() const;
    void setState(bool loading, std::optional<bool> ok, const QString &text);

    qreal spinnerAngle() const { return m_spinnerAngle; }
    void setSpinnerAngle(qreal angle);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void updateSpinner();
    QColor tone() const;

    bool m_loading = false;
    std::optional<bool> m_ok;
    QString m_text;
    qreal m_spinnerAngle = 0;
    QVariantAnimation *m_spin;
};
