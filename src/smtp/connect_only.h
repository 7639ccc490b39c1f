#pragma once

#include <curl/curl.h>

#include <chrono>
#include <functional>
#include <string>

// The libcurl set-up of a session that libcurl opens (connect, TLS, greeting) and then
// leaves to us, as the SMTP dialogue and the mailbox reader share it. The certificate is
// always verified; what differs between them is passed in.
namespace smtp {

struct ConnectOnly {
    std::string url;
    const char* protocols = "";  // CURLOPT_PROTOCOLS_STR: "smtp,smtps"
    bool requireTls = false;     // CURLUSESSL_ALL, else TRY
    std::string caFile;          // as requested: "" for FENDRIVAL_SMTP_CA_FILE or the system
    std::chrono::milliseconds stepTimeout{30000};
    long connectSteps = 1;                        // the connect's limit, in step limits
    char* errorText = nullptr;                    // CURL_ERROR_SIZE bytes
    curl_debug_callback onDebug = nullptr;        // libcurl's lines and notes
    curl_xferinfo_callback onProgress = nullptr;  // cancel and the clock
    void* hookData = nullptr;
};

// libcurl's two handles of one such session, freed together; the session's own state
// derives from it.
struct CurlHandles {
    CURL* easy = nullptr;
    CURLM* multi = nullptr;

    CurlHandles() = default;
    ~CurlHandles();
    CurlHandles(const CurlHandles&) = delete;
    CurlHandles& operator=(const CurlHandles&) = delete;

    // After libcurl's one global set-up; false when libcurl could not make them.
    bool create();
    void setUp(const ConnectOnly& options);
    // The multi loop, not curl_easy_perform: only it lets us look at the clock and the
    // cancel flag between steps whatever state libcurl is in. Drives libcurl until the
    // session is open or has failed, asking `stop` before each step; gives the result,
    // CURLE_ABORTED_BY_CALLBACK when `stop` ended it.
    CURLcode drive(const std::function<bool()>& stop);
};

}  // namespace smtp
