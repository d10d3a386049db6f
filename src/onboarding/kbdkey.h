#pragma once

#include <QKeyCombination>
#include <QStringList>
#include <QWidget>

// A key cap, as the done stage shows the Quick Ask chord with.
class KbdKey : public QWidget
{
    Q_OBJECT

public:
    explicit KbdKey(const QString &label, QWidget *parent = nullptr);

    // The caps of `chord` as this platform names its keys: "⌘", "⇧", "K" on macOS,
    // "Super", "Shift", "K" elsewhere.
    static QStringList capsFor(QKeyCombination chord);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_label;
};
