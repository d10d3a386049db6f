#pragma once

#include <QAbstractButton>
#include <QString>

// One of the actions under a finished Quick Ask answer ("New question", "Follow up",
// "Save"): symbol, title and a key cap with its shortcut on a glass capsule. The accented
// one is the action that leaves the bar. Tab reaches it, the accent ring shows it has the
// keyboard, and Return or Space press it.
class AskActionButton : public QAbstractButton
{
    Q_OBJECT

public:
    AskActionButton(const QString &symbol, const QString &title, const QString &keyHint,
                    bool accented, QWidget *parent = nullptr);

    QString symbol() const { return m_symbol; }
    QString keyHint() const { return m_keyHint; }
    bool isAccented() const { return m_accented; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Metrics
    {
        QSizeF title;
        QSizeF keyCap;
        QSizeF total;
    };
    Metrics metrics() const;

    QString m_symbol;
    QString m_keyHint;
    bool m_accented;
};
