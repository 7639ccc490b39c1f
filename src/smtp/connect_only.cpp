#include "smtp/connect_only.h"

#include <algorithm>
#include <mutex>

#include "smtp/smtp_check.h"

namespace smtp {

namespace {

constexpr int kPollMilliseconds = 100;

}  // namespace

CurlHandles::~CurlHandles() {
    if (multi && easy) curl_multi_remove_handle(multi, easy);
    if (easy) curl_easy_cleanup(easy);
    if (multi) curl_multi_cleanup(multi);
}

bool CurlHandles::create() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    easy = curl_easy_init();
    multi = curl_multi_init();
    return easy && multi;
}

CURLcode CurlHandles::drive(const std::function<bool()>& stop) {
    curl_multi_add_handle(multi, easy);
    int running = 1;
    while (running) {
        if (stop()) return CURLE_ABORTED_BY_CALLBACK;
        if (curl_multi_perform(multi, &running) != CURLM_OK) break;
        if (running) curl_multi_poll(multi, nullptr, 0, kPollMilliseconds, nullptr);
    }
    CURLcode code = CURLE_OK;
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left))
        if (message->msg == CURLMSG_DONE) code = message->data.result;
    return code;
}

void CurlHandles::setUp(const ConnectOnly& options) {
    const long stepSeconds = std::max<long>(1, long((options.stepTimeout.count() + 999) / 1000));
    curl_easy_setopt(easy, CURLOPT_URL, options.url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, options.protocols);
    curl_easy_setopt(easy, CURLOPT_PROXY, "");  // all_proxy must not reroute the dialogue
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // libcurl stops once the session is open; every command after that is ours.
    curl_easy_setopt(easy, CURLOPT_CONNECT_ONLY, 1L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, options.errorText);
    curl_easy_setopt(easy, CURLOPT_USE_SSL, options.requireTls ? CURLUSESSL_ALL : CURLUSESSL_TRY);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    const std::string caFile = caFileFor(options.caFile);
    if (!caFile.empty()) curl_easy_setopt(easy, CURLOPT_CAINFO, caFile.c_str());

    // Our own loop watches each step; these are libcurl's backstops for the same limit.
    curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, stepSeconds);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, stepSeconds * options.connectSteps);

    curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L);  // the debug hook is called only then
    curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, options.onDebug);
    curl_easy_setopt(easy, CURLOPT_DEBUGDATA, options.hookData);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, options.onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, options.hookData);
}

}  // namespace smtp
