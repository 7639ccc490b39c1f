#pragma once

#include <curl/curl.h>

#include <chrono>
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

void setUpConnectOnly(CURL* easy, const ConnectOnly& options);

}  // namespace smtp
