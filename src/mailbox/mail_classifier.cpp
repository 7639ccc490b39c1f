#include "mailbox/mail_classifier.h"

#include <gmime/gmime.h>

#include <algorithm>
#include <memory>
#include <mutex>

#include "mailbox/delivery_status.h"
#include "mailbox/plain_bounce.h"
#include "mailbox/reply_words.h"
#include "mailbox/text_bounds.h"
#include "text/iconv_converter.h"

namespace mailbox {

namespace {

void initialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

struct Unref {
    void operator()(gpointer object) const {
        if (object) g_object_unref(object);
    }
};
template <typename T>
using Ref = std::unique_ptr<T, Unref>;

// What the walk over the parts found.
struct Parts {
    std::string deliveryStatus;  // the report's text, decoded
    bool hasDeliveryStatus = false;
    std::string feedback;
    bool hasFeedback = false;
    std::string originalTo;  // the complained-about mail's recipient
    std::string firstText;   // the first text/plain part as UTF-8
    bool hasText = false;
    std::size_t seen = 0;
};

std::string lowered(const char* text) {
    return text ? lowerAscii(text) : std::string();
}

std::string bytesOf(GMimePart* part) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (!content) return {};
    Ref<GMimeStream> stream(g_mime_stream_mem_new());
    g_mime_data_wrapper_write_to_stream(content, stream.get());
    GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream.get()));
    return std::string(reinterpret_cast<const char*>(array->data), array->len);
}

bool validUtf8(const std::string& bytes) {
    return g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr);
}

// Charsets as Japanese mail programs label them, mapped to what iconv reads in full.
std::string iconvName(std::string charset) {
    charset = lowerAscii(charset);
    if (charset == "shift_jis" || charset == "shift-jis" || charset == "sjis" ||
        charset == "x-sjis" || charset == "windows-31j" || charset == "cp932" || charset == "ms932")
        return "CP932";
    if (charset == "iso-2022-jp" || charset == "csiso2022jp") return "ISO-2022-JP";
    if (charset == "euc-jp" || charset == "x-euc-jp") return "EUC-JP-MS";
    return charset;
}

// Lossy: a byte that cannot be read becomes U+FFFD, and the reading goes on.
std::string toUtf8(const std::string& bytes, const std::string& declared) {
    std::string charset = declared;
    if (charset.empty() || lowerAscii(charset) == "us-ascii") {
        if (validUtf8(bytes)) return bytes;
        charset = bytes.find("\x1b$B") != std::string::npos ? "ISO-2022-JP" : "CP932";
    }
    const std::string name = iconvName(charset);
    if (name == "utf-8") return validUtf8(bytes) ? bytes : std::string();
    text::IconvConverter converter("UTF-8", name.c_str());
    if (!converter.ok()) return validUtf8(bytes) ? bytes : std::string();
    std::string out;
    std::string_view rest(bytes);
    while (!rest.empty()) {
        std::size_t consumed = 0;
        if (converter.run(rest, out, consumed)) break;
        out += "\xEF\xBF\xBD";
        rest.remove_prefix(std::min(rest.size(), consumed + 1));
    }
    return out;
}

std::string firstAddress(InternetAddressList* list) {
    if (!list) return {};
    for (int i = 0; i < internet_address_list_length(list); ++i) {
        InternetAddress* address = internet_address_list_get_address(list, i);
        if (INTERNET_ADDRESS_IS_MAILBOX(address)) {
            const char* addr = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address));
            if (addr) return addr;
        }
    }
    return {};
}

std::string headerValue(std::string_view text, const std::string& name) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.empty() || line == "\r") break;
        if (line.size() > name.size() && line[name.size()] == ':' &&
            lowerAscii(line.substr(0, name.size())) == name)
            return oneLine(line.substr(name.size() + 1), 512);
    }
    return {};
}

void walk(GMimeObject* object, int depth, Parts& parts) {
    if (!object || depth > kMaxDepth || parts.seen >= kMaxParts) return;
    ++parts.seen;
    GMimeContentType* type = g_mime_object_get_content_type(object);
    const std::string media = lowered(type ? g_mime_content_type_get_media_type(type) : nullptr);
    const std::string sub = lowered(type ? g_mime_content_type_get_media_subtype(type) : nullptr);
    if (GMIME_IS_MULTIPART(object)) {
        GMimeMultipart* multipart = GMIME_MULTIPART(object);
        const int count = g_mime_multipart_get_count(multipart);
        for (int i = 0; i < count && parts.seen < kMaxParts; ++i)
            walk(g_mime_multipart_get_part(multipart, i), depth + 1, parts);
        return;
    }
    if (GMIME_IS_MESSAGE_PART(object)) {
        GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
        if (inner && parts.originalTo.empty()) {
            parts.originalTo = firstAddress(g_mime_message_get_to(inner));
        }
        // A returned copy is the sender's own mail: its parts say nothing of the return.
        return;
    }
    if (!GMIME_IS_PART(object)) return;
    GMimePart* part = GMIME_PART(object);
    if (media == "message" && (sub == "delivery-status" || sub == "global-delivery-status")) {
        if (!parts.hasDeliveryStatus) parts.deliveryStatus = bytesOf(part);
        parts.hasDeliveryStatus = true;
    } else if (media == "message" && sub == "feedback-report") {
        if (!parts.hasFeedback) parts.feedback = bytesOf(part);
        parts.hasFeedback = true;
    } else if (media == "text" && (sub == "rfc822-headers" || sub == "global-headers")) {
        if (parts.originalTo.empty()) {
            const std::vector<std::string> to = addressesIn(headerValue(bytesOf(part), "to"));
            if (!to.empty()) parts.originalTo = to.front();
        }
    } else if (media == "text" && sub == "plain" && !parts.hasText) {
        const char* charset = g_mime_object_get_content_type_parameter(object, "charset");
        parts.firstText = toUtf8(bytesOf(part), charset ? charset : "");
        parts.hasText = true;
    } else if (media == "text" && sub == "html" && !parts.hasText) {
        // Kept as text: nothing of it is loaded or run.
        const char* charset = g_mime_object_get_content_type_parameter(object, "charset");
        parts.firstText = toUtf8(bytesOf(part), charset ? charset : "");
    }
}

bool autoSubmitted(GMimeObject* message) {
    auto header = [&](const char* name) {
        const char* value = g_mime_object_get_header(message, name);
        return value ? lowerAscii(oneLine(value, 100)) : std::string("\x01");
    };
    const std::string submitted = header("Auto-Submitted");
    if (submitted != "\x01" && submitted.rfind("no", 0) != 0) return true;
    for (const char* name : {"X-Autoreply", "X-Autorespond", "X-Autogenerated",
                             "X-Auto-Response-Suppress", "X-Vacation"})
        if (header(name) != "\x01") return true;
    const std::string precedence = header("Precedence");
    return precedence == "auto_reply";
}

int rank(Kind kind) {
    switch (kind) {
        case Kind::Bounce:
            return 4;
        case Kind::Policy:
            return 3;
        case Kind::Temporary:
            return 2;
        case Kind::Review:
            return 1;
        default:
            return 0;
    }
}

void takeBounceKind(Verdict& verdict) {
    verdict.kind = Kind::Other;
    for (const Finding& finding : verdict.findings)
        if (rank(finding.kind) > rank(verdict.kind)) verdict.kind = finding.kind;
}

void fromReport(const Parts& parts, Verdict& verdict) {
    const std::vector<StatusBlock> blocks =
        statusBlocks(parts.deliveryStatus, kMaxFindings, verdict.capped);
    for (const StatusBlock& block : blocks) {
        Finding finding;
        finding.kind = kindOfStatus(block.action, block.status, block.diagnostic);
        if (finding.kind == Kind::Other) continue;
        finding.address =
            block.finalRecipient.empty() ? block.originalRecipient : block.finalRecipient;
        finding.status = block.status;
        finding.diagnostic = block.diagnostic;
        verdict.findings.push_back(std::move(finding));
    }
    takeBounceKind(verdict);
}

void fromComplaint(const Parts& parts, Verdict& verdict) {
    verdict.kind = Kind::Complaint;
    Finding finding;
    finding.kind = Kind::Complaint;
    std::vector<std::string> named = addressesIn(headerValue(parts.feedback, "original-rcpt-to"));
    if (named.empty()) named = addressesIn(headerValue(parts.feedback, "removal-recipient"));
    finding.address = named.empty() ? oneLine(parts.originalTo, 512) : named.front();
    finding.diagnostic = oneLine(headerValue(parts.feedback, "feedback-type"));
    verdict.findings.push_back(std::move(finding));
}

void fromPerson(Verdict& verdict, Kind kind) {
    verdict.kind = kind;
    Finding finding;
    finding.kind = kind;
    finding.address = verdict.from;
    verdict.findings.push_back(std::move(finding));
}

void readHeaders(GMimeMessage* message, Verdict& verdict) {
    const char* subject = g_mime_message_get_subject(message);
    verdict.subject = subject ? oneLine(subject) : std::string();
    verdict.from = oneLine(firstAddress(g_mime_message_get_from(message)), 512);
    const char* id = g_mime_message_get_message_id(message);
    verdict.messageId = id ? oneLine(id, 512) : std::string();
    if (GDateTime* date = g_mime_message_get_date(message)) {
        GDateTime* local = g_date_time_to_local(date);
        if (local) {
            gchar* text = g_date_time_format(local, "%Y-%m-%d %H:%M");
            verdict.date = text ? text : "";
            verdict.day = verdict.date.substr(0, 10);
            g_free(text);
            g_date_time_unref(local);
        }
    }
}

}  // namespace

Verdict classify(std::string_view bytes, const std::string& own) {
    initialiseOnce();
    Verdict verdict;
    Ref<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size()));
    Ref<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    GMimeParserOptions* options = g_mime_parser_options_new();
    const char* fallback[] = {"UTF-8", "CP932", nullptr};
    g_mime_parser_options_set_fallback_charsets(options, fallback);
    Ref<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), options));
    g_mime_parser_options_free(options);
    if (!message) return verdict;
    readHeaders(message.get(), verdict);

    Parts parts;
    walk(g_mime_message_get_mime_part(message.get()), 0, parts);
    if (parts.hasDeliveryStatus) {
        fromReport(parts, verdict);
    } else if (parts.hasFeedback) {
        fromComplaint(parts, verdict);
    } else if (looksReturned(verdict.from, verdict.subject)) {
        verdict.findings = plainFindings(parts.firstText, own, kMaxFindings, verdict.capped);
        takeBounceKind(verdict);
    } else if (autoSubmitted(GMIME_OBJECT(message.get()))) {
        fromPerson(verdict, Kind::AutoReply);
    } else {
        const std::string opening = openingLines(parts.firstText);
        if (asksToStop(verdict.subject, opening)) {
            fromPerson(verdict, Kind::OptOutRequest);
        } else if (soundsAway(verdict.subject, opening)) {
            fromPerson(verdict, Kind::AutoReply);
        }
    }
    return verdict;
}

}  // namespace mailbox
