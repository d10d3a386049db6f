#pragma once

#include <QWidget>

#include <optional>

class QLineEdit;

// The flow's text field: a single line on a rounded surface that shows where the keyboard
// is and, after a connection test, whether the address worked (green) or not (amber).
class InkTextField : public QWidget
{
    Q_OBJECT

public:
    enum class FieldState { Valid, Error };

    InkTextField(const QString &placeholder, bool monospaced, QWidget *parent = nullptr);

    // What the field is for, as the caption above it says, for screen readers; the
    // placeholder until then.
    void setFieldName(const QString &name);

    QString text() const;
    // Leaves the field alone when it already holds `text`, so the cursor stays put while
    // the user types and the model echoes the draft back.
    void setText(const QString &text);
    QString placeholder() const;
    bool isMonospaced() const { return m_monospaced; }

    std::optional<FieldState> state() const { return m_state; }
    void setState(std::optional<FieldState> state);

    QLineEdit *lineEdit() const { return m_edit; }

    QSize sizeHint() const override;

Q_SIGNALS:
    // Typed by the user; not emitted for setText().
    void textEdited(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void applyColors();

    QLineEdit *m_edit;
    bool m_monospaced;
    std::optional<FieldState> m_state;
};
