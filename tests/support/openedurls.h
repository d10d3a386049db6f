#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

// Stands in for the desktop's URL handlers, so a test sees what a click would open, and
// nothing reaches a real browser or file manager. Handles the given schemes until destroyed.
class OpenedUrls : public QObject
{
    Q_OBJECT

public:
    explicit OpenedUrls(const QStringList &schemes);
    ~OpenedUrls() override;

    QList<QUrl> urls;

public Q_SLOTS:
    void open(const QUrl &url);

private:
    QStringList m_schemes;
};
