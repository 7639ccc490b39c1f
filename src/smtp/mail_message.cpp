#include "smtp/mail_message.h"

#include <gmime/gmime.h>

#include <memory>
#include <mutex>

#include "smtp/encoded_words.h"
#include "smtp/html_text.h"

namespace smtp {

namespace {

struct Unref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using Ref = std::unique_ptr<T, Unref>;

void initGmime() {
    // Once per process, from whichever thread builds first; never shut down while in use.
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

bool isAddress(const std::string& address) {
    const auto at = address.find('@');
    if (at == 0 || at == std::string::npos || at + 1 == address.size() ||
        address.find('@', at + 1) != std::string::npos)
        return false;
    for (const char c : address) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b >= 0x7F || std::string("<>()[],;:\"\\").find(c) != std::string::npos)
            return false;
    }
    return true;
}

// Header text is one line: a line break or other control character becomes a blank.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return text;
}

GMimeHeader* header(GMimeMessage* message, const char* name) {
    return g_mime_header_list_get_header(g_mime_object_get_header_list(GMIME_OBJECT(message)),
                                         name);
}

Ref<GMimeTextPart> textPart(const char* subtype, const std::string& text) {
    Ref<GMimeTextPart> part(g_mime_text_part_new_with_subtype(subtype));
    // The bytes as they are: set_text would pick a charset of its own.
    Ref<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(text.data(), text.size()));
    Ref<GMimeDataWrapper> content(
        g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
    g_mime_part_set_content(GMIME_PART(part.get()), content.get());
    g_mime_text_part_set_charset(part.get(), "UTF-8");
    // Base64 keeps long lines and any byte intact through every relay.
    g_mime_part_set_content_encoding(GMIME_PART(part.get()), GMIME_CONTENT_ENCODING_BASE64);
    return part;
}

void setFrom(GMimeMessage* message, const std::string& name, const std::string& address) {
    g_mime_message_add_mailbox(message, GMIME_ADDRESS_TYPE_FROM,
                               name.empty() ? nullptr : name.c_str(), address.c_str());
    if (needsEncodedWords(name))
        g_mime_header_set_raw_value(header(message, "From"),
                                    foldedEncodedWords(name, 5, " <" + address + ">").c_str());
}

void setSubject(GMimeMessage* message, const std::string& subject) {
    g_mime_message_set_subject(message, subject.c_str(), "UTF-8");
    if (needsEncodedWords(subject))
        g_mime_header_set_raw_value(header(message, "Subject"),
                                    foldedEncodedWords(subject, 8).c_str());
}

void setDateAndId(GMimeMessage* message, const MailFields& fields) {
    std::unique_ptr<GDateTime, void (*)(GDateTime*)> date(
        g_date_time_new_from_unix_local(fields.date ? fields.date : std::time(nullptr)),
        g_date_time_unref);
    g_mime_message_set_date(message, date.get());
    const std::string domain = fields.senderAddress.substr(fields.senderAddress.find('@') + 1);
    std::string id;
    if (fields.messageId) {
        id = fields.messageId(domain);
    } else {
        char* made = g_mime_utils_generate_message_id(domain.c_str());
        id = made;
        g_free(made);
    }
    g_mime_object_set_header(GMIME_OBJECT(message), "Message-ID", ("<" + id + ">").c_str(),
                             nullptr);
}

std::string written(GMimeMessage* message) {
    std::unique_ptr<GMimeFormatOptions, void (*)(GMimeFormatOptions*)> options(
        g_mime_format_options_clone(g_mime_format_options_get_default()),
        g_mime_format_options_free);
    g_mime_format_options_set_newline_format(options.get(), GMIME_NEWLINE_FORMAT_DOS);
    Ref<GMimeStream> stream(g_mime_stream_mem_new());
    g_mime_object_write_to_stream(GMIME_OBJECT(message), options.get(), stream.get());
    const GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream.get()));
    std::string out = withCrLf(std::string(reinterpret_cast<const char*>(bytes->data), bytes->len));
    if (out.size() < 2 || out.compare(out.size() - 2, 2, "\r\n") != 0) out += "\r\n";
    return out;
}

}  // namespace

MailRefused::MailRefused(MailRefusal why)
    : std::invalid_argument("mail address refused"), refusal(why) {}

std::optional<MailRefusal> mailRefusalFor(const MailFields& fields) {
    if (!isAddress(fields.senderAddress)) return MailRefusal::BadSenderAddress;
    if (!isAddress(fields.to)) return MailRefusal::BadRecipientAddress;
    return std::nullopt;
}

std::string withCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\r\n";
        } else if (text[i] == '\n') {
            out += "\r\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string buildMessage(const MailFields& fields) {
    if (const auto refusal = mailRefusalFor(fields)) throw MailRefused(*refusal);
    initGmime();
    Ref<GMimeMessage> message(g_mime_message_new(TRUE));
    setFrom(message.get(), oneLine(fields.senderName), fields.senderAddress);
    g_mime_message_add_mailbox(message.get(), GMIME_ADDRESS_TYPE_TO, nullptr, fields.to.c_str());
    setSubject(message.get(), oneLine(fields.subject));
    setDateAndId(message.get(), fields);
    const std::string body = withCrLf(fields.body);
    if (fields.html) {
        Ref<GMimeMultipart> alternative(g_mime_multipart_new_with_subtype("alternative"));
        const auto plain = textPart("plain", withCrLf(htmlToText(fields.body)));
        const auto html = textPart("html", body);
        g_mime_multipart_add(alternative.get(), GMIME_OBJECT(plain.get()));
        g_mime_multipart_add(alternative.get(), GMIME_OBJECT(html.get()));
        g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(alternative.get()));
    } else {
        const auto plain = textPart("plain", body);
        g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(plain.get()));
    }
    return written(message.get());
}

}  // namespace smtp
