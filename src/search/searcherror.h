#pragma once

// Why a provider found nothing. None of these reach the user: they decide whether the next
// provider is asked, and they let tests tell a dead instance from a broken answer.
enum class SearchError {
    None,
    Unreachable, // nothing listens at a loopback instance's port
    Network, // connection refused or dropped, name not resolved, TLS failure, …
    Timeout, // no complete answer within the request time limit
    BadResponse, // not HTTP, a status outside 200–299, or a body beyond all reason
    Undecodable, // a body that is not the provider's JSON
    InvalidAddress, // an address that makes no http(s) URL with a host
    Cancelled,
};
