#pragma once

#include <QString>

// The three stored SearXNG settings and the base address made from them. The callers read
// the settings; this keeps the one rule by which every window turns them into an address.
struct SearxngConfig
{
    QString host; // "searxngHost"
    QString port; // "searxngPort"; blank means no port in the address
    bool useHTTPS = false; // "searxngUseHTTPS"

    // "http://localhost:8080" for the defaults. Host and port are trimmed of white space and
    // line breaks. A host typed with a scheme, a port or a sub-path
    // ("https://example.org/searx") keeps them: the port setting goes after the host and
    // before the sub-path, and only when the host names no port of its own; a bare IPv6
    // host is put in brackets.
    QString baseURL() const;
};
