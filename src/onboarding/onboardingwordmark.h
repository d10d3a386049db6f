#pragma once

#include <QTimer>
#include <QWidget>

// The welcome stage's "velm" in a large monospaced face, with a "_" after it that blinks
// like a terminal's cursor while the wordmark is on screen.
class OnboardingWordmark : public QWidget
{
    Q_OBJECT

public:
    static constexpr int blinkMs = 550;

    explicit OnboardingWordmark(QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QTimer m_blink;
    bool m_cursorVisible = true;
};
