#include "precheck/dns_client.h"

#include <arpa/inet.h>
#include <poll.h>
#include <unbound.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "text/cp932_char.h"

namespace precheck {

struct DnsClient::Pending {
    bool done = false;
    int err = 0;
    ub_result* result = nullptr;
};

namespace {

void onAnswer(void* data, int err, ub_result* result) {
    auto* pending = static_cast<DnsClient::Pending*>(data);
    pending->done = true;
    pending->err = err;
    pending->result = result;
}

constexpr int kDefaultTimeoutMs = 5000;
constexpr std::size_t kMaxLabel = 63;
constexpr std::size_t kMaxName = 253;

// The zones libunbound answers itself unless told not to: loopback, private and
// documentation ranges and the reserved names. Made transparent, they go to the named
// server ("nodefault" set this way leaves libunbound's own answers in place).
std::vector<std::string> builtInZones() {
    std::vector<std::string> zones = {"localhost.",
                                      "test.",
                                      "invalid.",
                                      "onion.",
                                      "home.arpa.",
                                      "0.in-addr.arpa.",
                                      "10.in-addr.arpa.",
                                      "127.in-addr.arpa.",
                                      "168.192.in-addr.arpa.",
                                      "254.169.in-addr.arpa.",
                                      "2.0.192.in-addr.arpa.",
                                      "100.51.198.in-addr.arpa.",
                                      "113.0.203.in-addr.arpa.",
                                      "255.255.255.255.in-addr.arpa.",
                                      "d.f.ip6.arpa.",
                                      "8.e.f.ip6.arpa.",
                                      "9.e.f.ip6.arpa.",
                                      "a.e.f.ip6.arpa.",
                                      "b.e.f.ip6.arpa.",
                                      "8.b.d.0.1.0.0.2.ip6.arpa."};
    for (int i = 16; i <= 31; ++i) zones.push_back(std::to_string(i) + ".172.in-addr.arpa.");
    for (int i = 64; i <= 127; ++i) zones.push_back(std::to_string(i) + ".100.in-addr.arpa.");
    std::string zeros;
    for (int i = 0; i < 31; ++i) zeros += "0.";
    zones.push_back("0." + zeros + "ip6.arpa.");
    zones.push_back("1." + zeros + "ip6.arpa.");
    return zones;
}

// A name as libunbound reads it, where a backslash starts an escape.
std::string presentation(const std::string& name) {
    std::string out;
    for (char c : name) {
        if (c == '\\') out += '\\';
        out += c;
    }
    return out;
}

// A domain name in uncompressed wire form, as libunbound hands out rdata.
std::string wireName(const unsigned char* p, std::size_t size, std::size_t& pos) {
    std::string name;
    while (pos < size) {
        const std::size_t len = p[pos++];
        if (len == 0) break;
        if (len > 63 || pos + len > size) return {};
        if (!name.empty()) name += '.';
        for (std::size_t i = 0; i < len; ++i) {
            name += text::cp932::foldAscii(static_cast<char>(p[pos + i]));
        }
        pos += len;
    }
    return name;
}

std::string recordText(int type, const unsigned char* p, std::size_t size) {
    char buf[INET6_ADDRSTRLEN] = {};
    std::size_t pos = 0;
    switch (type) {
        case kTypeA:
            return size == 4 && inet_ntop(AF_INET, p, buf, sizeof buf) ? buf : "";
        case kTypeAaaa:
            return size == 16 && inet_ntop(AF_INET6, p, buf, sizeof buf) ? buf : "";
        case kTypeMx: {
            if (size < 3) return {};
            const unsigned preference = p[0] << 8 | p[1];
            pos = 2;
            return std::to_string(preference) + " " + wireName(p, size, pos);
        }
        case kTypeTxt: {
            // A record of several strings is read as their concatenation.
            std::string text;
            while (pos < size) {
                const std::size_t len = p[pos++];
                text.append(reinterpret_cast<const char*>(p + pos), std::min(len, size - pos));
                pos += len;
            }
            return text;
        }
        default:
            return wireName(p, size, pos);
    }
}

}  // namespace

DnsClient::DnsClient(const std::string& server, int timeoutMs, const std::atomic<bool>* stop)
    : ctx_(ub_ctx_create()), timeoutMs_(timeoutMs), stop_(stop) {
    if (!ctx_) throw std::runtime_error("libunbound could not start");
    // Threads, not a forked process: the tool is a windowed program.
    int err = ub_ctx_async(ctx_, 1);
    if (!err && server.empty()) {
        err = ub_ctx_resolvconf(ctx_, nullptr);
    } else if (!err) {
        // A test server or a local resolver listens on the loopback address.
        err = ub_ctx_set_option(ctx_, "do-not-query-localhost:", "no");
        for (const std::string& zone : builtInZones())
            if (!err) err = ub_ctx_set_option(ctx_, "local-zone:", (zone + " transparent").c_str());
        if (!err) err = ub_ctx_set_fwd(ctx_, server.c_str());
        // Records in the order the server gave them: the first ten of a long answer are then
        // the same ten each time.
        if (!err) err = ub_ctx_set_option(ctx_, "rrset-roundrobin:", "no");
    }
    if (err) {
        const std::string why = ub_strerror(err);
        ub_ctx_delete(ctx_);
        throw std::runtime_error("DNS: " + why);  // libunbound's own words
    }
}

DnsClient::~DnsClient() {
    ub_ctx_delete(ctx_);
    for (const auto& pending : abandoned_)
        if (pending->result) ub_resolve_free(pending->result);
}

std::unique_ptr<DnsClient> DnsClient::fromEnvironment(const std::atomic<bool>* stop) {
    const char* server = std::getenv("FENDRIVAL_DNS_SERVER");
    try {
        return std::make_unique<DnsClient>(server ? server : "", kDefaultTimeoutMs, stop);
    } catch (const std::runtime_error& error) {
        if (!server) throw;
        throw std::runtime_error("FENDRIVAL_DNS_SERVER の値「" + std::string(server) +
                                 "」を使えません。address@port の形で指定してください（" +
                                 error.what() + "）");
    }
}

DnsAnswer DnsClient::query(const std::string& name, int type) {
    DnsAnswer answer;
    auto owned = std::make_unique<Pending>();
    Pending& pending = *owned;
    int id = 0;
    if (!isSendableName(name)) {
        answer.status = DnsStatus::NoName;
        return answer;
    }
    if (ub_resolve_async(ctx_, presentation(name).c_str(), type, 1, &pending, onAnswer, &id))
        return answer;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs_);
    // Short waits, so that a stop is seen soon.
    while (!pending.done) {
        if ((stop_ && stop_->load()) || std::chrono::steady_clock::now() >= deadline) {
            if (ub_cancel(ctx_, id) != 0) abandoned_.push_back(std::move(owned));
            return answer;
        }
        pollfd fd{ub_fd(ctx_), POLLIN, 0};
        if (poll(&fd, 1, 20) > 0) ub_process(ctx_);
    }
    ub_result* result = pending.result;
    if (pending.err || !result) {
        if (result) ub_resolve_free(result);
        return answer;
    }
    answer.ttl = static_cast<unsigned>(result->ttl);
    if (result->havedata) {
        answer.status = DnsStatus::Found;
        for (int i = 0; result->data[i]; ++i)
            answer.records.push_back(
                recordText(type, reinterpret_cast<const unsigned char*>(result->data[i]),
                           static_cast<std::size_t>(result->len[i])));
    } else if (result->nxdomain || result->rcode == 3) {
        answer.status = DnsStatus::NoName;
    } else if (result->rcode == 0) {
        answer.status = DnsStatus::NoData;
    }
    ub_resolve_free(result);
    return answer;
}

bool isSendableName(std::string_view name) {
    if (!name.empty() && name.back() == '.') name.remove_suffix(1);
    if (name.empty() || name.size() > kMaxName) return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t dot = std::min(name.find('.', start), name.size());
        if (dot == start || dot - start > kMaxLabel) return false;
        start = dot + 1;
    }
    return true;
}

std::string reverseName(const std::string& address) {
    unsigned char bytes[16];
    char part[8];
    std::string name;
    if (inet_pton(AF_INET, address.c_str(), bytes) == 1) {
        for (int i = 3; i >= 0; --i) {
            std::snprintf(part, sizeof part, "%u.", bytes[i]);
            name += part;
        }
        return name + "in-addr.arpa";
    }
    if (inet_pton(AF_INET6, address.c_str(), bytes) == 1) {
        for (int i = 15; i >= 0; --i) {
            std::snprintf(part, sizeof part, "%x.%x.", bytes[i] & 0xF, bytes[i] >> 4);
            name += part;
        }
        return name + "ip6.arpa";
    }
    return {};
}

}  // namespace precheck
