#pragma once

#include <QPlainTextEdit>
#include <QString>

// A multi-line plain-text editor that shows `placeholder` in the secondary colour while it
// is empty, drawn as a rounded field like the one-line fields.
class PlaceholderTextEditor : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit PlaceholderTextEditor(const QString &placeholder, QWidget *parent = nullptr);

    QString placeholder() const { return placeholderText(); }
    QString text() const { return toPlainText(); }
    // Replaces the text without emitting textEdited; the cursor goes to the end.
    void setText(const QString &text);

Q_SIGNALS:
    // The user changed the text (setText does not count).
    void textEdited(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void updateColors();

    bool m_settingText = false;
    bool m_updatingColors = false;
};
