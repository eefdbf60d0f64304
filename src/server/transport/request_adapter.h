// The component's Request over an HTTP request: items from the query string then the
// form, form fields from the POST body, and the server variables the chat reads. Every
// value is decoded from GBK.
#pragma once

#include "ravochat/host.h"
#include "transport/http.h"
#include "transport/trusted_proxy.h"

namespace ravochat::server {

// Where `request` came from, X-Forwarded-For believed only from a peer in `trusted`.
// Several X-Forwarded-For headers count as one list, in the order received.
Origin RequestOrigin(const HttpRequest& request, const TrustedProxies& trusted);

// The request as the component sees it. Server variables: REMOTE_ADDR (the address of
// `origin`), REQUEST_METHOD, PATH_INFO, and HTTP_<NAME> for every header (HTTP_VIA, ...),
// but HTTP_X_FORWARDED_FOR is the part of `origin` that came from beyond the trusted
// proxies. A field sent twice reads as its values joined by ", ".
MemoryRequest AdaptRequest(const HttpRequest& request, const Origin& origin);

}  // namespace ravochat::server
