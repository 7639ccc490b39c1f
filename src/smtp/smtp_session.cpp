#include "smtp/smtp_session.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <poll.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>

#include "smtp/connect_only.h"
#include "smtp/ehlo_name.h"
#include "smtp/reply_class.h"
#include "smtp/reply_reader.h"
#include "smtp/server_address.h"

namespace smtp {

namespace {

using Clock = std::chrono::steady_clock;

// A hostile server must not fill the memory: the lines kept for display are a bounded tail.
constexpr std::size_t kMaxLines = 64;
constexpr int kPollMilliseconds = 100;
// Bytes that answer no command of ours come right behind a reply; this is how long we
// listen for them before the next command goes out.
constexpr std::chrono::milliseconds kStrayWait{100};

bool isAddress(const std::string& server) {
    unsigned char bytes[sizeof(in6_addr)];
    return inet_pton(AF_INET, server.c_str(), bytes) == 1 ||
           inet_pton(AF_INET6, server.c_str(), bytes) == 1;
}

// The URL's path is libcurl's EHLO name; brackets and colons of a literal must not read
// as URL syntax.
std::string urlPath(const std::string& name) {
    static const char* hex = "0123456789ABCDEF";
    std::string path = "/";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '.') {
            path += c;
        } else {
            path += '%';
            path += hex[byte >> 4];
            path += hex[byte & 15];
        }
    }
    return path;
}

// The command's leading letters ("EHLO" of "EHLO name").
std::string verbOf(const char* data, std::size_t size) {
    std::size_t n = 0;
    while (n < size && std::isupper(static_cast<unsigned char>(data[n]))) ++n;
    return std::string(data, n);
}

}  // namespace

struct Session::State : CurlHandles {
    Request request;
    const std::atomic<bool>* cancel = nullptr;
    curl_slist* pinned = nullptr;
    // Set when a command goes out; what comes in never moves it.
    Clock::time_point deadline = Clock::now();
    bool stopped = false;  // cancel or time-out: the progress callback aborts what is left
    bool settled = false;  // listened for stray bytes since the last reply
    bool greeted = false;  // the handshake is over and no command of ours has gone out yet
    bool connected = false;
    bool open = false;
    std::string tlsVersion;
    std::string step;
    ReplyReader handshake;       // the replies libcurl reads
    Capabilities capabilities;   // of the last EHLO reply
    std::string brokenLine;      // the first line of libcurl's part that was out of form
    std::string handshakeReply;  // the last reply libcurl took, for the box when it is in doubt
    // libcurl reads ahead of the reply it waits for and keeps the rest to itself; these
    // count what it read and what it handed over to tell how much it still holds.
    std::size_t handedOver = 0;
    long recounted = 0;
    long held = 0;
    ReplyReader reader;  // the replies to our commands
    std::vector<std::string> lines;
    char errorText[CURL_ERROR_SIZE] = {};

    void startStep() { deadline = Clock::now() + request.stepTimeout; }

    void addLine(std::string line) {
        if (lines.size() == kMaxLines) lines.erase(lines.begin());
        lines.push_back(std::move(line));
        connected = true;
    }

    void keepLines(ReplyReader& from) {
        for (std::string& line : from.takeLines()) addLine(std::move(line));
    }

    // libcurl hands over its lines one by one; each EHLO reply replaces what was offered.
    void handshakeBytes(const char* data, std::size_t size) {
        handedOver += size;
        bool ended = step == "EHLO";  // libcurl ends a response at each line of EHLO's
        while (size > 0) {
            const std::size_t used = handshake.feed(data, size);
            data += used;
            size -= used;
            if (!handshake.complete()) break;
            if (handshake.malformed() && brokenLine.empty()) brokenLine = handshake.lastLine();
            if (handshake.code() == 250) capabilities = handshake.capabilities();
            handshakeReply = handshake.lastLine();
            ended = true;
            keepLines(handshake);
            handshake.restart();
        }
        keepLines(handshake);
        if (ended) countHeld();
    }

    // libcurl counts every chunk it reads, and counts again what it kept when it reads that
    // back for the next reply.
    void countHeld() {
        long counted = 0;
        curl_easy_getinfo(easy, CURLINFO_HEADER_SIZE, &counted);
        held = std::max(0L, counted - recounted - long(handedOver));
        recounted += held;
    }

    // libcurl's own notes; only two facts are taken from them.
    void noteText(const char* data, std::size_t size) {
        const std::string text(data, size);
        if (text.rfind("Connected to ", 0) == 0) {
            connected = true;
            startStep();  // the greeting has a step of its own
        }
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
        } else if (Clock::now() > deadline) {
            result.failure = Failure::Timeout;
            result.curlCode = CURLE_OPERATION_TIMEDOUT;
        } else {
            return false;
        }
        result.curlText = curl_easy_strerror(CURLcode(result.curlCode));
        result.step = step;
        stopped = true;
        open = false;
        return true;
    }

    bool waitToSend(Result& result) {
        curl_socket_t socket = CURL_SOCKET_BAD;
        curl_easy_getinfo(easy, CURLINFO_ACTIVESOCKET, &socket);
        if (socket == CURL_SOCKET_BAD) return hungUp(result);
        pollfd p{socket, POLLOUT, 0};
        poll(&p, 1, kPollMilliseconds);
        return !stopRequested(result);
    }

    enum class Got { Bytes, Nothing, Closed, Stopped };

    // What the server sent, waiting until `until` at most. Stopped (cancel or the step's
    // limit) sets the result; Closed leaves it to the caller.
    Got receive(char* buffer, std::size_t size, std::size_t& n, Clock::time_point until,
                Result& result) {
        for (;;) {
            n = 0;
            const CURLcode code = curl_easy_recv(easy, buffer, size, &n);
            if (code == CURLE_OK && n > 0) return Got::Bytes;
            curl_socket_t socket = CURL_SOCKET_BAD;
            curl_easy_getinfo(easy, CURLINFO_ACTIVESOCKET, &socket);
            if (code != CURLE_AGAIN || socket == CURL_SOCKET_BAD) {
                open = false;
                return Got::Closed;
            }
            // TLS records that carry no data (a session ticket) wake the poll too.
            if (stopRequested(result)) return Got::Stopped;
            if (Clock::now() >= until) return Got::Nothing;
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
            pollfd p{socket, POLLIN, 0};
            poll(&p, 1, int(std::clamp<long long>(left.count() + 1, 0, kPollMilliseconds)));
        }
    }

    bool hungUp(Result& result) {
        result.failure = Failure::ServerRefused;
        result.curlCode = CURLE_RECV_ERROR;
        result.curlText = "the server closed the connection";
        result.step = step;
        open = false;
        return false;
    }

    // Bytes that belong to no reply we asked for. Their first line is read on to its end, if
    // that comes soon, so the box shows what the server meant to say.
    bool stray(std::string bytes, Result& result) {
        const Clock::time_point until = Clock::now() + kStrayWait;
        char buffer[ReplyReader::kMaxLineBytes];
        std::size_t n = 0;
        while (bytes.find('\n') == std::string::npos && bytes.size() < sizeof buffer &&
               receive(buffer, sizeof buffer, n, until, result) == Got::Bytes)
            bytes.append(buffer, n);
        reader.restart();
        reader.feed(bytes.data(), bytes.size());
        const std::string partial = reader.pendingLine();
        std::vector<std::string> ended = reader.takeLines();
        if (ended.empty()) ended.push_back(partial);
        const std::string first = ended.front();
        for (std::string& line : ended) addLine(std::move(line));
        // Behind libcurl's last reply the first stray line may have begun in what libcurl
        // kept, so it cannot be shown whole; the reply it followed can, whatever the timing.
        return unexpected(greeted ? handshakeReply : first, result);
    }

    // The dialogue is out of step: whatever we read next could answer anything. QUIT without
    // waiting for its answer, then hang up once the server has gone quiet: closing on unread
    // bytes resets the connection, and the QUIT with it.
    bool unexpected(const std::string& line, Result& result) {
        result.failure = Failure::UnexpectedReply;
        result.reply = line;
        result.step = step;
        result.authenticated = false;  // what came after the reply puts the reply in doubt
        std::size_t sent = 0;
        curl_easy_send(easy, "QUIT\r\n", 6, &sent);
        open = false;
        Result ignored;
        const Clock::time_point last = Clock::now() + kStrayWait * 10;
        char buffer[4096];
        std::size_t n = 0;
        while (Clock::now() < last &&
               receive(buffer, sizeof buffer, n, std::min(last, Clock::now() + kStrayWait),
                       ignored) == Got::Bytes) {
        }
        return false;
    }

    // False when bytes arrive that no command asked for.
    bool quiet(Result& result) {
        char buffer[4096];
        std::size_t n = 0;
        switch (receive(buffer, sizeof buffer, n, Clock::now() + kStrayWait, result)) {
            case Got::Nothing:
                return true;
            case Got::Closed:
                return true;  // what was answered stands; QUIT cannot go
            case Got::Bytes:
                return stray(std::string(buffer, n), result);
            case Got::Stopped:
                return false;
        }
        return false;
    }
};

namespace {

int onDebug(CURL*, curl_infotype type, char* data, std::size_t size, void* user) {
    auto* state = static_cast<Session::State*>(user);
    switch (type) {
        case CURLINFO_HEADER_IN:
            state->handshakeBytes(data, size);
            break;
        case CURLINFO_HEADER_OUT:
            // A command of libcurl's went out (EHLO, STARTTLS: it never has credentials).
            // Only its verb is kept, to name the step.
            state->step = verbOf(data, size);
            state->startStep();
            break;
        case CURLINFO_TEXT:
            state->noteText(data, size);
            break;
        default:
            break;
    }
    return 0;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* state = static_cast<Session::State*>(user);
    return state->stopped || state->cancel->load() ? 1 : 0;
}

void configure(Session::State& state, const std::string& url) {
    ConnectOnly options;
    options.url = url;
    options.protocols = "smtp,smtps";
    // TRY even for SMTP-AUTH: a missing STARTTLS is ours to refuse, with QUIT. libcurl stops
    // after the EHLO that follows TLS: a refusal in its own AUTH would end the connection
    // without QUIT, so it never gets credentials.
    options.requireTls = false;
    options.caFile = state.request.caFile;
    options.stepTimeout = state.request.stepTimeout;
    options.connectSteps = 8;
    options.errorText = state.errorText;
    options.onDebug = onDebug;
    options.onProgress = onProgress;
    options.hookData = &state;
    state.setUp(options);
}

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

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
    curl_slist* pinned = state_->pinned;
    state_.reset();  // the handles go first: libcurl may still read the pinned addresses
    curl_slist_free_all(pinned);
}

bool Session::open(Result& result) {
    State& s = *state_;
    if (!s.create()) {
        result.curlCode = CURLE_FAILED_INIT;
        result.curlText = curl_easy_strerror(CURLE_FAILED_INIT);
        return false;
    }
    const Request& request = s.request;
    const std::string scheme = request.port == request.implicitTlsPort ? "smtps://" : "smtp://";
    // Without a qualified name we greet with the local end's address, so the connection
    // must go where that address was worked out for.
    std::vector<std::string> addresses;
    const std::string name = ehloName(request.server, addresses);
    if (!addresses.empty() && !isAddress(request.server)) {
        std::string entry = request.server + ":" + std::to_string(request.port) + ":";
        for (std::size_t i = 0; i < addresses.size(); ++i) entry += (i ? "," : "") + addresses[i];
        s.pinned = curl_slist_append(nullptr, entry.c_str());
    }
    result.ehloName = name;
    const std::string url =
        scheme + hostForUrl(request.server) + ":" + std::to_string(request.port) + urlPath(name);
    configure(s, url);
    if (s.pinned) curl_easy_setopt(s.easy, CURLOPT_RESOLVE, s.pinned);

    s.step.clear();
    s.startStep();
    const CURLcode code = s.drive([&] { return s.stopRequested(result); });
    curl_off_t connectTime = 0;
    if (curl_easy_getinfo(s.easy, CURLINFO_CONNECT_TIME_T, &connectTime) == CURLE_OK &&
        connectTime > 0)
        s.connected = true;
    if (s.stopped) return false;
    result.curlCode = code;
    result.curlText = s.errorText[0] ? std::string(s.errorText) : curl_easy_strerror(code);
    if (code != CURLE_OK) {
        result.failure = classify(code, false, s.lines, result.curlText);
        result.reply = lastRefusal(s.lines);
        return false;
    }
    s.open = true;
    s.step = "EHLO";
    if (!s.brokenLine.empty()) return s.unexpected(s.brokenLine, result);
    // Bytes libcurl read past its last reply answer no command of ours.
    if (s.held > 0) return s.unexpected(s.handshakeReply, result);
    s.greeted = true;
    return true;
}

bool Session::logIn(Result& result) {
    State& s = *state_;
    if (!s.request.auth) return true;
    // The password goes out only encrypted; the server hears QUIT instead.
    if (s.tlsVersion.empty()) return refuse(Failure::TlsRequired, Reply{}, result);
    const std::string& user = s.request.user;
    const std::string& password = s.request.password;
    Reply reply;
    if (s.capabilities.offers("PLAIN")) {
        std::string plain = std::string(1, '\0') + user + '\0' + password;
        std::string line = "AUTH PLAIN " + base64(plain);
        plain.assign(plain.size(), '\0');
        const bool answered = command("AUTH", line, reply, result);
        line.assign(line.size(), '\0');
        if (!answered) return false;
    } else if (s.capabilities.offers("LOGIN")) {
        if (!command("AUTH", "AUTH LOGIN", reply, result)) return false;
        if (reply.code == 334 && !command("AUTH", base64(user), reply, result)) return false;
        if (reply.code == 334) {
            std::string line = base64(password);
            const bool answered = command("AUTH", line, reply, result);
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
        if (!command("AUTH", "*", ignored, result)) return false;
    }
    return refuse(authFailure(reply.last), reply, result);
}

bool Session::command(const char* step, const std::string& line, Reply& reply, Result& result) {
    return sendThenRead(step, line + "\r\n", reply, result);
}

bool Session::sendThenRead(const char* step, const std::string& bytes, Reply& reply,
                           Result& result) {
    State& s = *state_;
    if (!s.open) return false;
    reply = Reply{};
    // Whatever arrives now answers the step before: that step is the one to name.
    s.startStep();
    if (!s.settled && !s.quiet(result)) return false;
    s.settled = false;
    s.greeted = false;
    s.step = step;
    s.startStep();
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        std::size_t n = 0;
        const CURLcode code = curl_easy_send(s.easy, bytes.data() + sent, bytes.size() - sent, &n);
        if (code == CURLE_AGAIN) {
            if (!s.waitToSend(result)) return false;
            continue;
        }
        if (code != CURLE_OK) return s.hungUp(result);
        sent += n;
    }
    s.reader.restart();
    char buffer[4096];
    for (;;) {
        std::size_t n = 0;
        const State::Got got = s.receive(buffer, sizeof buffer, n, s.deadline, result);
        if (got == State::Got::Closed) return s.hungUp(result);
        if (got != State::Got::Bytes) return false;
        const std::size_t used = s.reader.feed(buffer, n);
        s.keepLines(s.reader);
        if (!s.reader.complete()) continue;
        if (s.reader.malformed()) return s.unexpected(s.reader.lastLine(), result);
        if (used < n) return s.stray(std::string(buffer + used, n - used), result);
        break;
    }
    reply.code = s.reader.code();
    reply.last = s.reader.lastLine();
    return true;
}

bool Session::succeed(Result& result) {
    State& s = *state_;
    if (!s.open) return false;
    s.startStep();
    s.settled = s.quiet(result);
    if (!s.settled) return false;
    result.failure = Failure::None;
    quit();
    return true;
}

void Session::quit() {
    if (!state_->open) return;
    Result ignored;
    Reply reply;
    command("QUIT", "QUIT", reply, ignored);
    state_->open = false;
}

bool Session::refuse(Failure failure, const Reply& reply, Result& result) {
    result.failure = failure;
    result.reply = reply.last;
    result.step = state_->step;
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
