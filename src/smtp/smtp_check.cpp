#include "smtp/smtp_check.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "smtp/server_address.h"

namespace smtp {

namespace {

using Clock = std::chrono::steady_clock;

// A hostile server must not fill the memory: keep a bounded tail of short lines.
constexpr std::size_t kMaxLines = 64;
constexpr std::size_t kMaxLineBytes = 512;
constexpr int kPollMilliseconds = 100;

bool isAuthOk(const std::string& line) {
    return line.rfind("235", 0) == 0;
}

struct Session {
    const std::atomic<bool>* cancel = nullptr;
    std::chrono::milliseconds stepTimeout{};
    Clock::time_point lastActivity = Clock::now();
    bool stopped = false;  // cancel or time-out: the progress callback aborts what is left
    bool connected = false;
    std::string tlsVersion;
    std::string partial;
    std::vector<std::string> lines;

    void addLine(std::string line) {
        if (line.size() > kMaxLineBytes) line.resize(kMaxLineBytes);
        if (lines.size() == kMaxLines) lines.erase(lines.begin());
        lines.push_back(std::move(line));
        connected = true;
    }

    void addIncoming(const char* data, std::size_t size) {
        partial.append(data, size);
        std::size_t start = 0;
        for (std::size_t end; (end = partial.find('\n', start)) != std::string::npos;
             start = end + 1) {
            std::size_t stop = end;
            if (stop > start && partial[stop - 1] == '\r') --stop;
            addLine(partial.substr(start, stop - start));
        }
        partial.erase(0, start);
        if (partial.size() > kMaxLineBytes) partial.resize(kMaxLineBytes);
    }

    // libcurl's own notes; only two facts are taken from them.
    void noteText(const char* data, std::size_t size) {
        const std::string text(data, size);
        if (text.rfind("Connected to ", 0) == 0) connected = true;
        const std::string tlsNote = "SSL connection using ";
        if (text.rfind(tlsNote, 0) == 0) {
            const std::size_t from = tlsNote.size();
            const std::size_t to = text.find_first_of(" /\r\n", from);
            tlsVersion = text.substr(from, to == std::string::npos ? to : to - from);
        }
    }
};

int onDebug(CURL*, curl_infotype type, char* data, std::size_t size, void* user) {
    auto* session = static_cast<Session*>(user);
    session->lastActivity = Clock::now();
    switch (type) {
        case CURLINFO_HEADER_IN:
            session->addIncoming(data, size);
            break;
        case CURLINFO_TEXT:
            session->noteText(data, size);
            break;
        default:
            // Whatever goes out is never looked at: the AUTH lines carry the password.
            break;
    }
    return 0;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* session = static_cast<Session*>(user);
    return session->stopped || session->cancel->load() ? 1 : 0;
}

std::size_t discard(char*, std::size_t size, std::size_t count, void*) {
    return size * count;  // NOOP's reply text also arrives here; the debug hook has it
}

void initialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};

std::string caFileFor(const Request& request) {
    if (!request.caFile.empty()) return request.caFile;
    const char* variable = std::getenv(kCaFileVariable);
    return variable ? std::string(variable) : std::string();
}

void configure(CURL* easy, const Request& request, Session& session, const std::string& url,
               const std::string& caFile, char* errorText) {
    const long stepSeconds = std::max<long>(1, long((request.stepTimeout.count() + 999) / 1000));
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(easy, CURLOPT_PROXY, "");  // all_proxy must not reroute the test
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);  // QUIT is sent at the end
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, "NOOP");
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, discard);

    curl_easy_setopt(easy, CURLOPT_USE_SSL, request.auth ? CURLUSESSL_ALL : CURLUSESSL_TRY);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile.empty()) curl_easy_setopt(easy, CURLOPT_CAINFO, caFile.c_str());
    if (request.auth) {
        curl_easy_setopt(easy, CURLOPT_USERNAME, request.user.c_str());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, request.password.c_str());
    }

    // Our own loop watches each step; these are libcurl's backstops for the same limit.
    curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, stepSeconds);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, stepSeconds * 8);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT, stepSeconds * 10);

    curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L);  // the debug hook is called only then
    curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, onDebug);
    curl_easy_setopt(easy, CURLOPT_DEBUGDATA, &session);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &session);
}

}  // namespace

Failure classify(int curlCode, bool authAsked, const std::vector<std::string>& serverLines) {
    const bool authAccepted = std::any_of(serverLines.begin(), serverLines.end(),
                                          [](const std::string& line) { return isAuthOk(line); });
    const std::string reply = telling(serverLines);
    const bool refused = !reply.empty() && (reply[0] == '4' || reply[0] == '5');
    switch (curlCode) {
        case CURLE_OK:
            return authAsked && !authAccepted ? Failure::AuthNotOffered : Failure::None;
        case CURLE_COULDNT_RESOLVE_HOST:
            return Failure::NameNotFound;
        case CURLE_COULDNT_CONNECT:
            return Failure::ConnectionRefused;
        case CURLE_OPERATION_TIMEDOUT:
            return Failure::Timeout;
        case CURLE_USE_SSL_FAILED:
            return Failure::TlsRequired;
        case CURLE_SSL_CONNECT_ERROR:
            return Failure::TlsFailed;
        case CURLE_PEER_FAILED_VERIFICATION:
            return Failure::CertificateUntrusted;
        case CURLE_LOGIN_DENIED:
            return refused ? Failure::AuthRefused : Failure::AuthNotOffered;
        case CURLE_ABORTED_BY_CALLBACK:
            return Failure::Cancelled;
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_GOT_NOTHING:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
            return Failure::ServerRefused;
        default:
            return Failure::Other;
    }
}

std::string telling(const std::vector<std::string>& serverLines) {
    for (auto line = serverLines.rbegin(); line != serverLines.rend(); ++line)
        if (!line->empty() && ((*line)[0] == '4' || (*line)[0] == '5')) return *line;
    return serverLines.empty() ? std::string() : serverLines.back();
}

Result run(const Request& request, const std::atomic<bool>& cancel) {
    initialiseOnce();
    Result result;
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!easy || !multi) {
        result.curlCode = CURLE_FAILED_INIT;
        result.curlText = curl_easy_strerror(CURLE_FAILED_INIT);
        return result;
    }

    Session session;
    session.cancel = &cancel;
    session.stepTimeout = request.stepTimeout;
    const std::string scheme = request.port == kImplicitTlsPort ? "smtps://" : "smtp://";
    const std::string url =
        scheme + hostForUrl(request.server) + ":" + std::to_string(request.port) + "/";
    const std::string caFile = caFileFor(request);
    char errorText[CURL_ERROR_SIZE] = {};
    configure(easy.get(), request, session, url, caFile, errorText);

    // The multi loop, not curl_easy_perform: only it lets us look at the clock and the
    // cancel flag between steps whatever state libcurl is in.
    curl_multi_add_handle(multi.get(), easy.get());
    Failure stoppedBy = Failure::None;
    int running = 1;
    session.lastActivity = Clock::now();
    while (running) {
        if (cancel.load()) {
            stoppedBy = Failure::Cancelled;
            break;
        }
        if (Clock::now() - session.lastActivity > request.stepTimeout) {
            stoppedBy = Failure::Timeout;
            break;
        }
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) break;
        if (running) curl_multi_poll(multi.get(), nullptr, 0, kPollMilliseconds, nullptr);
    }

    CURLcode code = CURLE_OK;
    if (stoppedBy == Failure::None) {
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi.get(), &left))
            if (message->msg == CURLMSG_DONE) code = message->data.result;
    } else {
        // Closing the handle now would wait for QUIT's reply; the hook cuts that short.
        session.stopped = true;
    }
    curl_off_t connectTime = 0;
    if (curl_easy_getinfo(easy.get(), CURLINFO_CONNECT_TIME_T, &connectTime) == CURLE_OK &&
        connectTime > 0)
        session.connected = true;
    curl_multi_remove_handle(multi.get(), easy.get());

    result.connected = session.connected;
    result.tlsVersion = session.tlsVersion;
    result.serverLines = std::move(session.lines);
    result.authenticated =
        request.auth && std::any_of(result.serverLines.begin(), result.serverLines.end(),
                                    [](const std::string& line) { return isAuthOk(line); });
    if (stoppedBy != Failure::None) {
        result.failure = stoppedBy;
        result.curlCode =
            stoppedBy == Failure::Timeout ? CURLE_OPERATION_TIMEDOUT : CURLE_ABORTED_BY_CALLBACK;
        result.curlText = curl_easy_strerror(CURLcode(result.curlCode));
    } else {
        result.failure = classify(code, request.auth, result.serverLines);
        result.curlCode = code;
        result.curlText = errorText[0] ? std::string(errorText) : curl_easy_strerror(code);
    }
    return result;
}

}  // namespace smtp
