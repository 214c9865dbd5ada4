#include "upload/http_client.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <new>

#include "foundation/platform.h"

namespace kb {
namespace {

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Returning less than was given makes curl stop the transfer: a body over the cap, or no
// memory left.
size_t AppendBody(char* data, size_t size, size_t count, void* target) {
    auto* body = static_cast<std::string*>(target);
    const size_t bytes = size * count;
    if (bytes > kMaxAnswerBytes - body->size())
        return 0;
    try {
        body->append(data, bytes);
        return bytes;
    } catch (...) {
        return 0;
    }
}

// Called by curl while the transfer runs, also while nothing comes; non-zero breaks it off.
int BreakOffWhenCancelled(void* cancelled, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::atomic<bool>*>(cancelled)->load() ? 1 : 0;
}

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

std::unique_ptr<curl_slist, ListDeleter> NoCacheHeaders() {
    curl_slist* list = curl_slist_append(nullptr, "Cache-Control: no-cache");
    if (list == nullptr)
        return nullptr;
    curl_slist* more = curl_slist_append(list, "Pragma: no-cache");
    if (more == nullptr) {
        curl_slist_free_all(list);
        return nullptr;
    }
    return std::unique_ptr<curl_slist, ListDeleter>(more);
}

std::string Get(const std::string& url, const NetworkTimeouts& timeouts, const std::string& caFile,
                const std::atomic<bool>* cancelled) {
    InitCurlOnce();
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    auto headers = NoCacheHeaders();
    if (!easy || !headers)
        return {};
    const std::string agent = ExecutableName();
    std::string body;
    CURL* h = easy.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    // Redirects are followed, as a browser would, but only to plain or secure HTTP.
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_IGNORED));
    // Certificates and host names are verified (curl's default, kept); caFile replaces the
    // system's authorities when given.
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile.empty())
        curl_easy_setopt(h, CURLOPT_CAINFO, caFile.c_str());
    // No signals: the call runs on worker threads too.
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts.connect.count()));
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(timeouts.total.count()));
    // An announced length over the cap is refused before the body comes.
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxAnswerBytes));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, AppendBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
    if (cancelled != nullptr) {
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, BreakOffWhenCancelled);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(cancelled));
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    }
    // A transfer that broke off, timed out or ran over the cap gave no answer: a fragment must
    // not pass for one.
    if (curl_easy_perform(h) != CURLE_OK)
        return {};
    return body;
}

}  // namespace

std::string HttpGetText(const std::string& url, const NetworkTimeouts& timeouts,
                        const std::string& caFile, const std::atomic<bool>* cancelled) {
    if (cancelled != nullptr && *cancelled)
        return {};
    try {
        return Get(url, timeouts, caFile, cancelled);
    } catch (...) {
        return {};
    }
}

namespace {

// One line of an answer as shown: cut to length, other control characters than the tab blanked.
std::string ShownLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    std::string shown(line.substr(0, kShownAnswerLineLength));
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 32 && c != '\t')
            c = ' ';
    if (line.size() > kShownAnswerLineLength)
        shown += "...";
    return shown;
}

}  // namespace

std::string AnswerExcerpt(std::string_view answer) {
    std::string excerpt;
    for (size_t lines = 0; !answer.empty(); ++lines) {
        if (lines == kShownAnswerLines)
            return excerpt + "\n...";
        const size_t end = answer.find('\n');
        if (lines > 0)
            excerpt += '\n';
        excerpt += ShownLine(answer.substr(0, end));
        answer = end == std::string_view::npos ? std::string_view() : answer.substr(end + 1);
    }
    return excerpt;
}

std::string UrlEncode(std::string_view text) {
    InitCurlOnce();
    char* escaped = curl_easy_escape(nullptr, text.data(), static_cast<int>(text.size()));
    if (escaped == nullptr)
        throw std::bad_alloc();
    std::string result(escaped);
    curl_free(escaped);
    return result;
}

}  // namespace kb
