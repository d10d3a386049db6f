#pragma once

#include <QString>
#include <QWidget>

#include <optional>

// The outcome of a connection test: a 6 × 6 dot, green for success, orange for failure and
// in the secondary colour while neither is known, then the text in the secondary style. It
// is there only while it has a text, and comes and goes with a fade and a slight growth
// from 0.9 of its size about its centre.
class StatusLabel : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(qreal presence READ presence WRITE setPresence)

public:
    explicit StatusLabel(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    std::optional<bool> ok() const { return m_ok; }
    // An empty text hides the label.
    void setStatus(const QString &text, std::optional<bool> ok);
    void clear() { setStatus(QString(), std::nullopt); }

    // The colour of the dot for `ok` in a light or dark window.
    static QColor dotColor(std::optional<bool> ok, const QPalette &palette);

    // 0 gone, 1 fully shown.
    qreal presence() const { return m_presence; }
    void setPresence(qreal presence);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    std::optional<bool> m_ok;
    // What is drawn: the last text while the label fades out after being cleared.
    QString m_shownText;
    std::optional<bool> m_shownOk;
    qreal m_presence = 0;
};
