#pragma once

#include "cli/velmhome.h"
#include "support/fakemodelserver.h"
#include "support/fakesearxngserver.h"

// A throw-away home whose SearXNG setting points at a fake instance, and a fake model server.
struct AskHome
{
    AskHome()
    {
        auto settings = home.settings();
        settings->setSearxngHost(QStringLiteral("127.0.0.1"));
        settings->setSearxngPort(QString::number(searxng.port()));
    }

    // `velm ask --search <mode> --server <the fake> <rest…>`
    QStringList arguments(const QString &mode, const QStringList &rest) const
    {
        return QStringList{QStringLiteral("ask"), QStringLiteral("--search"), mode,
                           QStringLiteral("--server"), model.address()}
        + rest;
    }

    VelmHome home;
    FakeModelServer model;
    FakeSearxngServer searxng;
    const bool listening = home.isValid() && model.listen() && searxng.listen();
};
