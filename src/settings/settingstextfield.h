#pragma once

#include <QLineEdit>

// A one-line text field of the settings tabs: a rounded field on the window's base colour
// with a hairline border that turns into the accent colour while it has the focus.
class SettingsTextField : public QLineEdit
{
    Q_OBJECT

public:
    SettingsTextField(const QString &placeholder, int width, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void updateColors();

    bool m_updatingColors = false;
};
