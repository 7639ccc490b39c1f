#include "smtp/smtp_session.h"

#include <curl/curl.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <mutex>

#include "smtp/server_address.h"

namespace smtp {

namespace {

using Clock = std::chrono::steady_clock;

// A hostile server must not fill the memory: keep a bounded tail of short lines.
constexpr std::size_t kMaxLines = 64;
constexpr std::size_t kMaxLineBytes = 512;
constexpr int kPollMilliseconds = 100;

void initialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string caFileFor(const Request& request) {
    if (!request.caFile.empty()) return request.caFile;
    const char* variable = std::getenv(kCaFileVariable);
    return variable ? std::string(variable) : std::string();
}

bool isFinalLine(const std::string& line) {
    return line.size() < 4 || line[3] != '-';
}

}  // namespace

struct Session::State {
    Request request;
    const std::atomic<bool>* cancel = nullptr;
    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    Clock::time_point lastActivity = Clock::now();
    bool stopped = false;  // cancel or time-out: the progress callback aborts what is left
    bool connected = false;
    bool open = false;
    std::string tlsVersion;
    std::string partial;
    std::vector<std::string> lines;
    char errorText[CURL_ERROR_SIZE] = {};

    void addLine(std::string line) {
        if (line.size() > kMaxLineBytes) line.resize(kMaxLineBytes);
        if (lines.size() == kMaxLines) lines.erase(lines.begin());
        lines.push_back(std::move(line));
        connected = true;
    }

    // Splits what came in into lines; returns the last line of a complete reply, if any.
    bool addIncoming(const char* data, std::size_t size, std::string* finalLine) {
        partial.append(data, size);
        bool complete = false;
        std::size_t start = 0;
        for (std::size_t end; (end = partial.find('\n', start)) != std::string::npos;
             start = end + 1) {
            std::size_t stop = end;
            if (stop > start && partial[stop - 1] == '\r') --stop;
            std::string line = partial.substr(start, stop - start);
            if (isFinalLine(line)) {
                complete = true;
                if (finalLine) *finalLine = line;
            }
            addLine(std::move(line));
        }
        partial.erase(0, start);
        if (partial.size() > kMaxLineBytes) partial.resize(kMaxLineBytes);
        return complete;
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

    bool stopRequested(Result& result) {
        if (cancel->load()) {
            result.failure = Failure::Cancelled;
            result.curlCode = CURLE_ABORTED_BY_CALLBACK;
        } else if (Clock::now() - lastActivity > request.stepTimeout) {
            result.failure = Failure::Timeout;
            result.curlCode = CURLE_OPERATION_TIMEDOUT;
        } else {
            return false;
        }
        result.curlText = curl_easy_strerror(CURLcode(result.curlCode));
        stopped = true;
        open = false;
        return true;
    }

    bool waitFor(short events, Result& result) {
        curl_socket_t socket = CURL_SOCKET_BAD;
        curl_easy_getinfo(easy, CURLINFO_ACTIVESOCKET, &socket);
        if (socket == CURL_SOCKET_BAD) return hungUp(result);
        pollfd p{socket, events, 0};
        poll(&p, 1, kPollMilliseconds);
        return !stopRequested(result);
    }

    bool hungUp(Result& result) {
        result.failure = Failure::ServerRefused;
        result.curlCode = CURLE_RECV_ERROR;
        result.curlText = "the server closed the connection";
        open = false;
        return false;
    }
};

namespace {

int onDebug(CURL*, curl_infotype type, char* data, std::size_t size, void* user) {
    auto* state = static_cast<Session::State*>(user);
    state->lastActivity = Clock::now();
    switch (type) {
        case CURLINFO_HEADER_IN:
            state->addIncoming(data, size, nullptr);
            break;
        case CURLINFO_TEXT:
            state->noteText(data, size);
            break;
        default:
            // Whatever goes out is never looked at.
            break;
    }
    return 0;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* state = static_cast<Session::State*>(user);
    return state->stopped || state->cancel->load() ? 1 : 0;
}

void configure(Session::State& state, const std::string& url, const std::string& caFile) {
    CURL* easy = state.easy;
    const Request& request = state.request;
    const long stepSeconds = std::max<long>(1, long((request.stepTimeout.count() + 999) / 1000));
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(easy, CURLOPT_PROXY, "");  // all_proxy must not reroute the dialogue
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // libcurl stops after the EHLO that follows TLS; the commands are ours. A refusal in
    // libcurl's own AUTH would end the connection without QUIT, so it never gets credentials.
    curl_easy_setopt(easy, CURLOPT_CONNECT_ONLY, 1L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, state.errorText);
    // TRY even for SMTP-AUTH: a missing STARTTLS is ours to refuse, with QUIT.
    curl_easy_setopt(easy, CURLOPT_USE_SSL, CURLUSESSL_TRY);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile.empty()) curl_easy_setopt(easy, CURLOPT_CAINFO, caFile.c_str());

    // Our own loop watches each step; these are libcurl's backstops for the same limit.
    curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, stepSeconds);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, stepSeconds * 8);

    curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L);  // the debug hook is called only then
    curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, onDebug);
    curl_easy_setopt(easy, CURLOPT_DEBUGDATA, &state);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &state);
}

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The mechanisms of the last EHLO reply.
std::vector<std::string> authMechanisms(const std::vector<std::string>& lines) {
    std::size_t first = lines.size();
    while (first > 0 && lines[first - 1].rfind("250", 0) == 0 &&
           (first == lines.size() || lines[first - 1].rfind("250-", 0) == 0))
        --first;
    std::vector<std::string> mechanisms;
    for (std::size_t i = first; i < lines.size(); ++i) {
        std::string words = lines[i].size() > 4 ? lines[i].substr(4) : std::string();
        for (char& c : words) c = char(std::toupper(static_cast<unsigned char>(c)));
        if (words.rfind("AUTH", 0) != 0 || words.size() < 5) continue;
        std::size_t at = 5;
        while (at < words.size()) {
            const std::size_t end = std::min(words.find(' ', at), words.size());
            if (end > at) mechanisms.push_back(words.substr(at, end - at));
            at = end + 1;
        }
    }
    return mechanisms;
}

bool has(const std::vector<std::string>& list, const char* word) {
    return std::find(list.begin(), list.end(), word) != list.end();
}

}  // namespace

std::string base64(const std::string& bytes) {
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = (unsigned char)bytes[i] << 16 | (unsigned char)bytes[i + 1] << 8 |
                           (unsigned char)bytes[i + 2];
        for (int shift = 18; shift >= 0; shift -= 6) out += kBase64[(v >> shift) & 63];
    }
    if (i < bytes.size()) {
        const bool two = i + 1 < bytes.size();
        const unsigned v =
            (unsigned char)bytes[i] << 16 | (two ? (unsigned char)bytes[i + 1] << 8 : 0);
        out += kBase64[(v >> 18) & 63];
        out += kBase64[(v >> 12) & 63];
        out += two ? kBase64[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

Session::Session(const Request& request, const std::atomic<bool>& cancel)
    : state_(std::make_unique<State>()) {
    state_->request = request;
    state_->cancel = &cancel;
}

Session::~Session() {
    // The credentials live no longer than the session.
    state_->request.password.assign(state_->request.password.size(), '\0');
    if (state_->multi && state_->easy) curl_multi_remove_handle(state_->multi, state_->easy);
    if (state_->easy) curl_easy_cleanup(state_->easy);
    if (state_->multi) curl_multi_cleanup(state_->multi);
}

bool Session::open(Result& result) {
    initialiseOnce();
    State& s = *state_;
    s.easy = curl_easy_init();
    s.multi = curl_multi_init();
    if (!s.easy || !s.multi) {
        result.curlCode = CURLE_FAILED_INIT;
        result.curlText = curl_easy_strerror(CURLE_FAILED_INIT);
        return false;
    }
    const Request& request = s.request;
    const std::string scheme = request.port == request.implicitTlsPort ? "smtps://" : "smtp://";
    const std::string url =
        scheme + hostForUrl(request.server) + ":" + std::to_string(request.port) + "/";
    configure(s, url, caFileFor(request));

    // The multi loop, not curl_easy_perform: only it lets us look at the clock and the
    // cancel flag between steps whatever state libcurl is in.
    curl_multi_add_handle(s.multi, s.easy);
    int running = 1;
    s.lastActivity = Clock::now();
    while (running) {
        if (s.stopRequested(result)) break;
        if (curl_multi_perform(s.multi, &running) != CURLM_OK) break;
        if (running) curl_multi_poll(s.multi, nullptr, 0, kPollMilliseconds, nullptr);
    }
    curl_off_t connectTime = 0;
    if (curl_easy_getinfo(s.easy, CURLINFO_CONNECT_TIME_T, &connectTime) == CURLE_OK &&
        connectTime > 0)
        s.connected = true;
    if (s.stopped) return false;

    CURLcode code = CURLE_OK;
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(s.multi, &left))
        if (message->msg == CURLMSG_DONE) code = message->data.result;
    result.curlCode = code;
    result.curlText = s.errorText[0] ? std::string(s.errorText) : curl_easy_strerror(code);
    if (code != CURLE_OK) {
        result.failure = classify(code, false, s.lines, result.curlText);
        const std::string line = telling(s.lines);
        if (!line.empty() && (line[0] == '4' || line[0] == '5')) result.reply = line;
        return false;
    }
    s.open = true;
    return true;
}

bool Session::logIn(Result& result) {
    State& s = *state_;
    if (!s.request.auth) return true;
    // The password goes out only encrypted; the server hears QUIT instead.
    if (s.tlsVersion.empty()) return refuse(Failure::TlsRequired, Reply{}, result);
    const std::vector<std::string> mechanisms = authMechanisms(s.lines);
    const std::string& user = s.request.user;
    const std::string& password = s.request.password;
    Reply reply;
    if (has(mechanisms, "PLAIN")) {
        std::string plain = std::string(1, '\0') + user + '\0' + password;
        std::string line = "AUTH PLAIN " + base64(plain);
        plain.assign(plain.size(), '\0');
        const bool answered = command(line, reply, result);
        line.assign(line.size(), '\0');
        if (!answered) return false;
    } else if (has(mechanisms, "LOGIN")) {
        if (!command("AUTH LOGIN", reply, result)) return false;
        if (reply.code == 334 && !command(base64(user), reply, result)) return false;
        if (reply.code == 334) {
            std::string line = base64(password);
            const bool answered = command(line, reply, result);
            line.assign(line.size(), '\0');
            if (!answered) return false;
        }
    } else {
        return refuse(Failure::AuthNotOffered, Reply{}, result);
    }
    if (reply.code == 235) {
        result.authenticated = true;
        return true;
    }
    if (reply.code == 334) {
        // Mid-exchange: cancel it before QUIT.
        Reply ignored;
        command("*", ignored, result);
    }
    return refuse(authFailure(reply.last), reply, result);
}

bool Session::command(const std::string& line, Reply& reply, Result& result) {
    return sendThenRead(line + "\r\n", reply, result);
}

bool Session::sendThenRead(const std::string& bytes, Reply& reply, Result& result) {
    State& s = *state_;
    if (!s.open) return false;
    reply = Reply{};
    s.lastActivity = Clock::now();
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        std::size_t n = 0;
        const CURLcode code = curl_easy_send(s.easy, bytes.data() + sent, bytes.size() - sent, &n);
        if (code == CURLE_AGAIN) {
            if (!s.waitFor(POLLOUT, result)) return false;
            continue;
        }
        if (code != CURLE_OK) return s.hungUp(result);
        sent += n;
        s.lastActivity = Clock::now();
    }
    s.partial.clear();
    char buffer[4096];
    for (;;) {
        std::size_t n = 0;
        const CURLcode code = curl_easy_recv(s.easy, buffer, sizeof buffer, &n);
        if (code == CURLE_AGAIN) {
            if (!s.waitFor(POLLIN, result)) return false;
            continue;
        }
        if (code != CURLE_OK || n == 0) return s.hungUp(result);
        s.lastActivity = Clock::now();
        if (s.addIncoming(buffer, n, &reply.last)) break;
    }
    reply.code = reply.last.size() >= 3 ? std::atoi(reply.last.substr(0, 3).c_str()) : 0;
    return true;
}

void Session::quit() {
    if (!state_->open) return;
    Result ignored;
    Reply reply;
    command("QUIT", reply, ignored);
    state_->open = false;
}

bool Session::refuse(Failure failure, const Reply& reply, Result& result) {
    result.failure = failure;
    result.reply = reply.last;
    quit();
    return false;
}

void Session::finish(Result& result) {
    result.connected = state_->connected;
    // A TLS that failed verification is no encryption to speak of.
    const bool verified = result.failure != Failure::TlsFailed &&
                          result.failure != Failure::CertificateUntrusted &&
                          result.failure != Failure::CertificateUnknownIssuer &&
                          result.failure != Failure::CertificateNameMismatch;
    result.tlsVersion = verified ? state_->tlsVersion : std::string();
    result.serverLines = state_->lines;
}

}  // namespace smtp
