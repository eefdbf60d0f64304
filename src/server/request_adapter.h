// The component's Request over an HTTP request: items from the query string then the
// form, form fields from the POST body, and the server variables the chat reads. Every
// value is decoded from GBK.
#pragma once

#include "http.h"
#include "ravochat/host.h"

namespace ravochat::server {

// The request as the component sees it. Server variables: REMOTE_ADDR (the peer),
// REQUEST_METHOD, PATH_INFO, and HTTP_<NAME> for every header (HTTP_VIA,
// HTTP_X_FORWARDED_FOR, ...). A field sent twice reads as its values joined by ", ".
MemoryRequest AdaptRequest(const HttpRequest& request);

}  // namespace ravochat::server
