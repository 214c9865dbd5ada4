#pragma once
// The one kind of request the online service gets: a plain GET whose answer body is read whole.
#include <atomic>
#include <string>
#include <string_view>

#include "upload/network_timeouts.h"

namespace kb {

// The largest answer body taken; every answer the upload reads is far smaller.
inline constexpr size_t kMaxAnswerBytes = 1024 * 1024;

// Sends a GET for url (an absolute HTTP address, used as given) and returns the answer's body,
// whatever the status code. No cache is used or written, no authentication is attempted and
// nothing is shown; the User-Agent is the executable's file name. Returns the empty text when
// there is no whole answer: no connection, a transfer that broke off or timed out, or a body
// over kMaxAnswerBytes. An "https://" address is reached over TLS with the server's certificate
// verified against caFile (a PEM file of certificate authorities; the system's when empty).
// When cancelled is given, the request is broken off soon after it turns true (within about a
// second, also while the server is silent) and gives the empty text. Never throws.
std::string HttpGetText(const std::string& url, const NetworkTimeouts& timeouts = {},
                        const std::string& caFile = "",
                        const std::atomic<bool>* cancelled = nullptr);

// The start of an answer, fit for a message box: at most kShownAnswerLines lines of at most
// kShownAnswerLineLength characters, "..." marking what was left out.
inline constexpr size_t kShownAnswerLines = 5;
inline constexpr size_t kShownAnswerLineLength = 200;
std::string AnswerExcerpt(std::string_view answer);

// Percent-encodes every byte except letters, digits and "-._~", so that a value can stand
// as one path segment of an address.
std::string UrlEncode(std::string_view text);

}  // namespace kb
