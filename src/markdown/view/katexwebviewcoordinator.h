#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

#include <optional>

// The native side of one math view: remembers the page it loaded, so an identical page is
// never loaded again, and receives the height the page reports (as the web channel object
// "height"). Heights are rounded up, at least 1, and applied only when they differ by more
// than half a pixel, at most once per turn of the event loop: a burst of reports (fonts
// arriving, the resize observer, a re-render) moves the layout once, and sub-pixel jitter
// not at all.
class KaTeXWebViewCoordinator : public QObject
{
    Q_OBJECT

public:
    explicit KaTeXWebViewCoordinator(qreal initialHeight, QObject *parent = nullptr);

    qreal height() const { return m_height; }

    // Whether `html` has to be loaded: false when it is the page loaded last. Otherwise it
    // becomes the current page.
    bool shouldLoad(const QString &html);
    const QString &currentHTML() const { return m_currentHTML; }
    // Makes the next shouldLoad() true, after the page was lost or must look different.
    void forgetPage() { m_currentHTML.clear(); }

public Q_SLOTS:
    // What the page posts: a number; anything else is ignored.
    void report(const QVariant &height);

Q_SIGNALS:
    void heightChanged(qreal height);

private:
    void applyPendingHeight();

    qreal m_height;
    QString m_currentHTML;
    std::optional<qreal> m_pendingHeight;
    bool m_hasScheduledHeightUpdate = false;
};
