// The test mail's bytes, parsed back with GMime: headers, line ends, bodies, HTML text.
#include <gmime/gmime.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <regex>
#include <set>

#include "smtp/html_text.h"
#include "smtp/mail_message.h"

namespace {

smtp::MailFields fields(const std::string& name, const std::string& subject) {
    smtp::MailFields f;
    f.senderName = name;
    f.senderAddress = "info@example.co.jp";
    f.to = "test@example.com";
    f.subject = subject;
    f.body = "本文\n";
    f.date = 1700000000;
    return f;
}

struct Parsed {
    explicit Parsed(const std::string& bytes) {
        g_mime_init();
        GMimeStream* stream = g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size());
        GMimeParser* parser = g_mime_parser_new_with_stream(stream);
        message.reset(g_mime_parser_construct_message(parser, nullptr));
        g_object_unref(parser);
        g_object_unref(stream);
    }
    // The decoded content of a part, as bytes.
    static std::string content(GMimeObject* part) {
        GMimeStream* out = g_mime_stream_mem_new();
        g_mime_data_wrapper_write_to_stream(g_mime_part_get_content(GMIME_PART(part)), out);
        GByteArray* b = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out));
        std::string s(reinterpret_cast<char*>(b->data), b->len);
        g_object_unref(out);
        return s;
    }
    std::unique_ptr<GMimeMessage, decltype(&g_object_unref)> message{nullptr, g_object_unref};
};

// "text/plain; charset=UTF-8", as the parser read the part's type.
std::string typeOf(GMimeObject* part) {
    char* type = g_mime_content_type_get_mime_type(g_mime_object_get_content_type(part));
    std::string s = type;
    g_free(type);
    if (const char* charset = g_mime_object_get_content_type_parameter(part, "charset"))
        s += std::string("; charset=") + charset;
    return s;
}

// Every line ends CR LF, header lines fit 78 columns, and those that hold encoded-words 76.
void expectWellFormed(const std::string& bytes) {
    const std::size_t headerEnd = bytes.find("\r\n\r\n");
    ASSERT_NE(headerEnd, std::string::npos);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' || bytes[i] == '\r') {
            ASSERT_EQ(bytes.compare(i - (bytes[i] == '\n'), 2, "\r\n"), 0) << "at " << i;
        }
    }
    ASSERT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    for (std::size_t s = 0, e; (e = bytes.find("\r\n", s)) < headerEnd; s = e + 2) {
        const std::string line = bytes.substr(s, e - s);
        EXPECT_LE(line.size(), line.find("=?") == std::string::npos ? 78u : 76u) << line;
    }
}

// The header's encoded-words decoded one by one: equal to the text only when no word
// splits a character.
std::string wordByWord(const std::string& bytes, const std::string& name) {
    const std::size_t start = bytes.find(name + ": ");
    std::size_t end = start;
    while ((end = bytes.find("\r\n", end) + 2) < bytes.size() && bytes[end] == ' ') continue;
    const std::string field = bytes.substr(start, end - start);
    std::string text;
    const std::regex word(R"(=\?UTF-8\?[BQ]\?[^?]*\?=)");
    for (std::sregex_iterator it(field.begin(), field.end(), word), last; it != last; ++it) {
        char* decoded = g_mime_utils_header_decode_text(nullptr, it->str().c_str());
        text += decoded;
        g_free(decoded);
    }
    return text;
}

TEST(MailMessageHeaders, DecodeToTheTypedNameAndSubjectWithinFoldedLines) {
    const std::string longJapanese =
        "株式会社髙橋①㈱商事の春の大感謝祭キャンペーン開催のお知らせ〜全品二割引〜"
        "お見逃しなく！髙島屋①②③㈱㈲№";
    const struct {
        std::string name, subject;
        const char* decoded = nullptr;  // when it differs from the subject
    } cases[] = {
        {"Taro Yamada", "Spring sale"},
        {"Yamada, Taro (Sales) of a sender name long enough to fold, with more words",
         "Re: =?UTF-8?B?x?= is text"},
        {"山田 太郎", "春のご案内"},
        {longJapanese, longJapanese},
        {"Fendrival 配信 " + longJapanese, "A " + longJapanese + " z"},
        {"絵文字😀", "A😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀"},
        // Fourteen characters filled a first line to 77 columns.
        {"名前", "春のご案内春のご案内春のご案内春のご案内"},
        {"", std::string(90, 'x')},
        {"名前", "line\r\nBcc: evil@example.net", "line  Bcc: evil@example.net"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.subject);
        const std::string bytes = smtp::buildMessage(fields(c.name, c.subject));
        expectWellFormed(bytes);
        Parsed p(bytes);
        ASSERT_TRUE(p.message);
        InternetAddressList* from = g_mime_message_get_from(p.message.get());
        ASSERT_EQ(internet_address_list_length(from), 1);
        InternetAddress* sender = internet_address_list_get_address(from, 0);
        EXPECT_EQ(std::string(internet_address_get_name(sender) ?: ""), c.name);
        EXPECT_STREQ(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(sender)),
                     "info@example.co.jp");
        const std::string subject = c.decoded ? c.decoded : c.subject;
        EXPECT_EQ(g_mime_message_get_subject(p.message.get()), subject);
        for (const auto& [header, text] : {std::pair{"From", c.name}, {"Subject", subject}}) {
            if (std::any_of(text.begin(), text.end(), [](char b) { return b & 0x80; })) {
                EXPECT_EQ(wordByWord(bytes, header), text) << header;
            }
        }
        char* to =
            internet_address_list_to_string(g_mime_message_get_to(p.message.get()), nullptr, FALSE);
        EXPECT_STREQ(to, "test@example.com");
        g_free(to);
        // Nothing the real run would not send: no X-Mailer, no injected header.
        std::set<std::string> names;
        GMimeHeaderList* headers = g_mime_object_get_header_list(GMIME_OBJECT(p.message.get()));
        for (int i = 0; i < g_mime_header_list_get_count(headers); ++i)
            names.insert(g_mime_header_get_name(g_mime_header_list_get_header_at(headers, i)));
        EXPECT_EQ(names, (std::set<std::string>{"Date", "From", "Subject", "To", "Message-ID",
                                                "MIME-Version"}));
    }
}

TEST(MailMessageHeaders, MessageIdAtTheSendersDomainAndTheGivenDate) {
    auto f = fields("名前", "件名");
    Parsed made(smtp::buildMessage(f));
    EXPECT_TRUE(std::regex_match(g_mime_message_get_message_id(made.message.get()),
                                 std::regex(R"([^@<> ]+@example\.co\.jp)")));
    GDateTime* date = g_mime_message_get_date(made.message.get());
    ASSERT_TRUE(date);
    EXPECT_EQ(g_date_time_to_unix(date), 1700000000);
    f.messageId = [](const std::string& domain) { return "fixed.1@" + domain; };
    const std::string bytes = smtp::buildMessage(f);
    EXPECT_NE(bytes.find("\r\nMessage-ID: <fixed.1@example.co.jp>\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\nMIME-Version: 1.0\r\n"), std::string::npos);
}

TEST(MailMessageBody, TextBodyIsTheFieldWithCrLf) {
    const struct {
        std::string typed, expected;
    } cases[] = {
        {"一行目\n二行目", "一行目\r\n二行目"},
        {"a\r\nb\rc\n\nd\r", "a\r\nb\r\nc\r\n\r\nd\r\n"},
        {"", ""},
        {".\nFrom here\n..\n", ".\r\nFrom here\r\n..\r\n"},
        {std::string(3000, 'y') + "①", std::string(3000, 'y') + "①"},
    };
    for (const auto& c : cases) {
        auto f = fields("名前", "件名");
        f.body = c.typed;
        const std::string bytes = smtp::buildMessage(f);
        expectWellFormed(bytes);
        Parsed p(bytes);
        GMimeObject* part = g_mime_message_get_mime_part(p.message.get());
        ASSERT_TRUE(GMIME_IS_TEXT_PART(part));
        EXPECT_EQ(typeOf(part), "text/plain; charset=UTF-8");
        EXPECT_EQ(Parsed::content(part), c.expected);
    }
}

TEST(MailMessageBody, HtmlHasThePlainAlternativeAndTheHtmlAsTyped) {
    auto f = fields("名前", "件名");
    f.html = true;
    f.body = "<p>ご案内 <a href=\"https://example.com/a?x=1&amp;y=2\">こちら</a></p>\n<p>①</p>";
    const std::string bytes = smtp::buildMessage(f);
    expectWellFormed(bytes);
    Parsed p(bytes);
    GMimeObject* top = g_mime_message_get_mime_part(p.message.get());
    ASSERT_TRUE(GMIME_IS_MULTIPART(top));
    EXPECT_EQ(typeOf(top), "multipart/alternative");
    ASSERT_EQ(g_mime_multipart_get_count(GMIME_MULTIPART(top)), 2);
    GMimeObject* plain = g_mime_multipart_get_part(GMIME_MULTIPART(top), 0);
    GMimeObject* html = g_mime_multipart_get_part(GMIME_MULTIPART(top), 1);
    EXPECT_EQ(typeOf(plain), "text/plain; charset=UTF-8");
    EXPECT_EQ(typeOf(html), "text/html; charset=UTF-8");
    EXPECT_EQ(Parsed::content(plain), "ご案内 こちら (https://example.com/a?x=1&y=2)\r\n\r\n①");
    EXPECT_EQ(Parsed::content(html), smtp::withCrLf(f.body));
}

TEST(HtmlText, ReadsAsTheHtmlReads) {
    const struct {
        const char* html;
        const char* text;
    } cases[] = {
        {"<a href='https://x.jp/'>サイト</a>", "サイト (https://x.jp/)"},
        {"<a href='https://x.jp/'>https://x.jp/</a> <a href='mailto:a@x.jp'>a@x.jp</a>",
         "https://x.jp/ a@x.jp"},
        {"<a href='#top'>上へ</a><a href='https://x.jp/'><img src=a.png></a>", "上へhttps://x.jp/"},
        {"a<br>b<br><br>c", "a\nb\n\nc"},
        {"<div>一</div><div>二</div><p>三</p>四<h1>五</h1>", "一\n二\n\n三\n\n四\n\n五"},
        {"<ul><li>a</li><li>b</li></ul><table><tr><td>1</td><td>2</td></tr></table>",
         "a\nb\n\n1 2"},
        {"<head><title>t</title><style>p{}</style></head><script>x()</script>本文", "本文"},
        {"<body><style>p{color:red}</style>本文</body>", "本文"},
        {"<p>写真<img src=a.png alt=' 春の花 '>です<img src=b.png alt=''></p>", "写真[春の花]です"},
        {"<a href='https://x.jp/'><img src=logo.png alt='ロゴ'></a>", "[ロゴ] (https://x.jp/)"},
        {"&lt;&amp;&gt; &quot;&#x2460;&copy;&nbsp;&nbsp;x", "<&> \"①©  x"},
        {"  a \n\t b  <pre> x\n  y</pre>", "a b\n\n x\n  y"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(smtp::htmlToText(c.html), c.text) << c.html;
}

TEST(MailMessageFields, RefusesAddressesThatWouldBreakTheirHeader) {
    const struct {
        const char* sender;
        const char* to;
        std::optional<smtp::MailRefusal> expected;
    } cases[] = {
        {"info@example.co.jp", "a.b+c@example.com", std::nullopt},
        {"info@example.co.jp", "a@example.com\r\nBcc: x@y.z",
         smtp::MailRefusal::BadRecipientAddress},
        {"info@example.co.jp", "Taro <a@example.com>", smtp::MailRefusal::BadRecipientAddress},
        {"info@example.co.jp", "a b@example.com", smtp::MailRefusal::BadRecipientAddress},
        {"info@example.co.jp", "", smtp::MailRefusal::BadRecipientAddress},
        {"info", "a@example.com", smtp::MailRefusal::BadSenderAddress},
        {"@example.co.jp", "a@example.com", smtp::MailRefusal::BadSenderAddress},
        {"情報@example.co.jp", "a@example.com", smtp::MailRefusal::BadSenderAddress},
    };
    for (const auto& c : cases) {
        auto f = fields("名前", "件名");
        f.senderAddress = c.sender;
        f.to = c.to;
        EXPECT_EQ(smtp::mailRefusalFor(f), c.expected) << c.sender << " " << c.to;
        if (c.expected) {
            EXPECT_THROW(smtp::buildMessage(f), smtp::MailRefused);
        }
    }
}

}  // namespace
