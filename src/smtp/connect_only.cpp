#include "smtp/connect_only.h"

#include <algorithm>

#include "smtp/smtp_check.h"

namespace smtp {

void setUpConnectOnly(CURL* easy, const ConnectOnly& options) {
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
