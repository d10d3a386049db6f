#pragma once

#include "updates/appcastitem.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>
#include <QUrl>

#include <optional>

// An update feed: an RSS 2.0 document whose items describe releases with the
// "sparkle:" elements and attributes that macOS updaters read, so one feed serves every
// platform. Only the releases that this platform can install are kept.
class Appcast
{
public:
    // The namespace of the "sparkle:" names.
    static constexpr QStringView sparkleNamespace
        = u"http://www.andymatuschak.org/xml-namespaces/sparkle";
    // The value of "sparkle:os" that means this platform; items that name another OS are
    // left out, items that name none are for every platform.
    static constexpr QStringView platformName = u"linux";

    // Reads a feed fetched from `feedUrl` (relative addresses resolve against it). Empty
    // when `xml` is not a well-formed RSS document; a feed with no usable release gives an
    // empty list. An item is usable when it has a build version and an enclosure with a
    // web address for this platform, and belongs to the default channel.
    static std::optional<Appcast> parse(const QByteArray &xml, const QUrl &feedUrl = QUrl());

    const QList<AppcastItem> &items() const { return m_items; }

    // The newest release that is newer than `currentVersion`, if any.
    std::optional<AppcastItem> newestNewerThan(QStringView currentVersion) const;

private:
    QList<AppcastItem> m_items;
};
