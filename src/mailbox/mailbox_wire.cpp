#include "mailbox/mailbox_wire.h"

#include <curl/curl.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>

#include "smtp/connect_only.h"
#include "smtp/server_address.h"

namespace mailbox {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPollMilliseconds = 100;

}  // namespace

struct Wire::State : smtp::CurlHandles {
    Endpoint endpoint;
    const std::atomic<bool>* cancel = nullptr;
    std::string tlsVersion;
    std::string lastServerLine;  // the last line libcurl read, for a refused sign-in
    std::string buffer;          // received, not yet taken
    std::size_t taken = 0;
    Clock::time_point deadline;
    char errorText[CURL_ERROR_SIZE] = {};

    void startStep() { deadline = Clock::now() + endpoint.stepTimeout; }

    [[noreturn]] void stop(smtp::Failure failure, const std::string& line = {}) {
        WireFailure thrown;
        thrown.outcome.failure = failure;
        thrown.outcome.tlsVersion = tlsVersion;
        thrown.outcome.serverLine = line;
        thrown.outcome.curlText = errorText;
        throw thrown;
    }

    void checkStop() {
        if (cancel->load()) stop(smtp::Failure::Cancelled);
        if (Clock::now() > deadline) stop(smtp::Failure::Timeout);
    }

    curl_socket_t socket() {
        curl_socket_t s = CURL_SOCKET_BAD;
        curl_easy_getinfo(easy, CURLINFO_ACTIVESOCKET, &s);
        return s;
    }

    void wait(short events) {
        const curl_socket_t s = socket();
        if (s == CURL_SOCKET_BAD) stop(smtp::Failure::ServerRefused);
        pollfd p{s, events, 0};
        poll(&p, 1, kPollMilliseconds);
        checkStop();
    }

    // More bytes into the buffer; what was taken is dropped first.
    void fill() {
        if (taken > 0) {
            buffer.erase(0, taken);
            taken = 0;
        }
        char chunk[65536];
        for (;;) {
            std::size_t n = 0;
            const CURLcode code = curl_easy_recv(easy, chunk, sizeof chunk, &n);
            if (code == CURLE_OK && n > 0) {
                buffer.append(chunk, n);
                startStep();  // a transfer that keeps coming is no time-out
                return;
            }
            if (code != CURLE_AGAIN) stop(smtp::Failure::ServerRefused, lastServerLine);
            wait(POLLIN);
        }
    }
};

namespace {

int onDebug(CURL*, curl_infotype type, char* data, std::size_t size, void* user) {
    auto* state = static_cast<Wire::State*>(user);
    if (type == CURLINFO_HEADER_IN) {
        std::string line(data, std::min<std::size_t>(size, 512));
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        state->lastServerLine = line;
    } else if (type == CURLINFO_TEXT) {
        const std::string note = "SSL connection using ";
        if (size > note.size() && std::memcmp(data, note.data(), note.size()) == 0) {
            const std::string text(data + note.size(), size - note.size());
            state->tlsVersion = text.substr(0, text.find_first_of(" /\r\n"));
        }
    }
    state->startStep();
    return 0;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* state = static_cast<Wire::State*>(user);
    return state->cancel->load() || Clock::now() > state->deadline ? 1 : 0;
}

}  // namespace

Wire::Wire(const Endpoint& endpoint, const std::atomic<bool>& cancel)
    : state_(std::make_unique<State>()) {
    state_->endpoint = endpoint;
    state_->cancel = &cancel;
}

Wire::~Wire() {
    // The credentials live no longer than the connection.
    state_->endpoint.password.assign(state_->endpoint.password.size(), '\0');
    // A POP3 session that ends without QUIT never reaches its UPDATE state, where a server
    // deletes, marks read or clears the news of what was taken: the socket is shut before
    // libcurl can say QUIT.
    if (state_->easy && state_->endpoint.protocol == Protocol::Pop3) {
        const curl_socket_t socket = state_->socket();
        if (socket != CURL_SOCKET_BAD) ::shutdown(socket, SHUT_RDWR);
    }
}

const std::string& Wire::tlsVersion() const {
    return state_->tlsVersion;
}

void Wire::open() {
    State& s = *state_;
    if (!s.create()) s.stop(smtp::Failure::Other);
    const Endpoint& e = s.endpoint;
    const bool imap = e.protocol == Protocol::Imap;
    const bool implicitTls = e.port == (imap ? e.imapTlsPort : e.pop3TlsPort);
    const std::string scheme =
        imap ? (implicitTls ? "imaps" : "imap") : (implicitTls ? "pop3s" : "pop3");
    smtp::ConnectOnly options;
    options.url = scheme + "://" + smtp::hostForUrl(e.server) + ":" + std::to_string(e.port) + "/";
    options.protocols = imap ? "imap,imaps" : "pop3,pop3s";
    // A mailbox always signs in, so TLS is always required: without it the password
    // would leave in clear, and libcurl stops before it does.
    options.requireTls = true;
    options.caFile = e.caFile;
    options.stepTimeout = e.stepTimeout;
    options.connectSteps = 4;
    options.errorText = s.errorText;
    options.onDebug = onDebug;
    options.onProgress = onProgress;
    options.hookData = &s;
    s.setUp(options);
    curl_easy_setopt(s.easy, CURLOPT_USERNAME, e.user.c_str());
    curl_easy_setopt(s.easy, CURLOPT_PASSWORD, e.password.c_str());

    s.startStep();
    const CURLcode code = s.drive([&] {
        s.checkStop();  // throws
        return false;
    });
    if (code == CURLE_OK) return;
    if (!s.errorText[0]) std::strncpy(s.errorText, curl_easy_strerror(code), CURL_ERROR_SIZE - 1);
    // libcurl's sign-in refusal names the credentials; the rest reads as the connection
    // test reads it.
    const smtp::Failure failure = code == CURLE_LOGIN_DENIED
                                      ? smtp::Failure::AuthRefused
                                      : smtp::classify(code, true, {}, s.errorText);
    s.stop(failure, code == CURLE_LOGIN_DENIED ? s.lastServerLine : std::string());
}

void Wire::send(const std::string& bytes) {
    State& s = *state_;
    s.startStep();
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        std::size_t n = 0;
        const CURLcode code = curl_easy_send(s.easy, bytes.data() + sent, bytes.size() - sent, &n);
        if (code == CURLE_AGAIN) {
            s.wait(POLLOUT);
            continue;
        }
        if (code != CURLE_OK) s.stop(smtp::Failure::ServerRefused);
        sent += n;
    }
}

std::string Wire::line(std::size_t maxBytes) {
    State& s = *state_;
    s.startStep();
    std::size_t searched = s.taken;
    for (;;) {
        const std::size_t end = s.buffer.find('\n', searched);
        if (end != std::string::npos) {
            std::size_t to = end;
            if (to > s.taken && s.buffer[to - 1] == '\r') --to;
            std::string line = s.buffer.substr(s.taken, to - s.taken);
            s.taken = end + 1;
            if (line.size() > maxBytes) s.stop(smtp::Failure::UnexpectedReply);
            return line;
        }
        if (s.buffer.size() - s.taken > maxBytes + 2) s.stop(smtp::Failure::UnexpectedReply);
        searched = s.buffer.size() - s.taken;
        s.fill();
        searched += s.taken;  // fill() moved what was untaken to the front
        searched = std::min(searched, s.buffer.size());
    }
}

std::string Wire::lineCapped(std::size_t keep) {
    State& s = *state_;
    s.startStep();
    std::string kept;
    std::size_t length = 0;  // of the whole line so far
    for (;;) {
        const std::size_t end = s.buffer.find('\n', s.taken);
        const std::size_t stop = end == std::string::npos ? s.buffer.size() : end;
        if (kept.size() < keep)
            kept.append(s.buffer, s.taken, std::min(stop - s.taken, keep - kept.size()));
        length += stop - s.taken;
        if (end != std::string::npos) {
            s.taken = end + 1;
            if (kept.size() == length && !kept.empty() && kept.back() == '\r') kept.pop_back();
            return kept;
        }
        s.taken = s.buffer.size();
        s.fill();
    }
}

void Wire::bytes(std::size_t size, std::size_t keep, std::string& out) {
    State& s = *state_;
    s.startStep();
    out.clear();
    while (size > 0) {
        if (s.taken == s.buffer.size()) s.fill();
        const std::size_t n = std::min(size, s.buffer.size() - s.taken);
        if (out.size() < keep) out.append(s.buffer, s.taken, std::min(n, keep - out.size()));
        s.taken += n;
        size -= n;
    }
}

void Wire::fail(smtp::Failure failure, const std::string& serverLine) {
    state_->stop(failure, serverLine);
}

}  // namespace mailbox
