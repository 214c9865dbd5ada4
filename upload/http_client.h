#pragma once
// The one kind of request the online service gets: a plain GET whose answer body is read whole.
#include <string>
#include <string_view>

#include "upload/network_timeouts.h"

namespace kb {

// Sends a GET for url (an absolute HTTP address, used as given) and returns the answer's body,
// whatever the status code. No cache is used or written, no authentication is attempted and
// nothing is shown; the User-Agent is the executable's file name. Returns the text read so far
// when the transfer breaks off, and the empty text when no connection can be made. Never throws.
std::string HttpGetText(const std::string& url, const NetworkTimeouts& timeouts = {});

// Percent-encodes every byte except letters, digits and "-._~", so that a value can stand
// as one path segment of an address.
std::string UrlEncode(std::string_view text);

}  // namespace kb
