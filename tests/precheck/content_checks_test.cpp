#include <gtest/gtest.h>

#include "precheck/content_checks.h"
#include "precheck/domain_volume.h"
#include "precheck/legal_text.h"
#include "precheck/run_length.h"

namespace {

using precheck::Verdict;

const std::string kFullBody =
    "いつもご利用ありがとうございます。\n"
    "株式会社フェンドリバル\n"
    "〒100-0001 東京都千代田区千代田1-1\n"
    "お問い合わせ: TEL 03-1234-5678\n"
    "\n"
    "配信停止をご希望の方は、下記までご連絡ください。\n"
    "stop@example.com\n";

std::string without(std::string text, const std::string& part, const std::string& instead = "") {
    const std::size_t at = text.find(part);
    if (at != std::string::npos) text.replace(at, part.size(), instead);
    return text;
}

TEST(LegalText, FindsEachRequiredItemOrItsAbsence) {
    const struct {
        std::string body;
        bool html;
        precheck::LegalFindings expected;  // name, opt-out, postal address, contact
    } rows[] = {
        {kFullBody, false, {true, true, true, true}},
        {without(kFullBody, "株式会社フェンドリバル\n"), false, {false, true, true, true}},
        // The sender's name as typed in 送信元名称 counts without a company form.
        {without(kFullBody, "株式会社") + "フェンドリバル商店", false, {true, true, true, true}},
        {without(kFullBody, "stop@example.com\n"), false, {true, false, true, true}},
        // Too far from the statement: three lines below.
        {without(kFullBody, "stop@example.com\n") + "\n\nhttps://example.com/stop\n",
         false,
         {true, false, true, true}},
        {without(kFullBody, "〒100-0001 東京都千代田区千代田1-1\n"),
         false,
         {true, true, false, true}},
        {without(kFullBody, "〒100-0001 "), false, {true, true, true, true}},
        // Full-width digits are digits.
        {without(kFullBody, "〒100-0001 東京都千代田区千代田1-1\n") + "〒１００－０００１\n",
         false,
         {true, true, true, true}},
        {without(kFullBody, "お問い合わせ: TEL 03-1234-5678\n"), false, {true, true, true, false}},
        // An unlabelled number is no contact.
        {without(kFullBody, "お問い合わせ: TEL "), false, {true, true, true, false}},
        {without(kFullBody, "03-1234-5678") + "info@example.com\n",
         false,
         {true, true, true, false}},
        // The opt-out's own address is no contact, below the label or on its line.
        {without(kFullBody, "TEL 03-1234-5678", "\n配信停止: a@x.jp"), false, {1, 1, 1, 0}},
        {without(kFullBody, "TEL 03-1234-5678", "・受信拒否\nhttps://x.jp/a"), false, {1, 1, 1, 0}},
        // Words inside an address or URL are neither a label nor a statement.
        {without(kFullBody, "お問い合わせ: TEL ", "hotel@x.jp "), false, {1, 1, 1, 0}},
        {without(kFullBody, "stop@example.com\n") + "\n\n\nhttps://x.jp/unsubscribe",
         false,
         {1, 0, 1, 1}},
        {"<p>株式会社フェンドリバル<br>〒100-0001 東京都千代田区</p>"
         "<p>お問い合わせ: <a href=\"mailto:info@example.com\">info@example.com</a></p>"
         "<p>配信停止は<a href=\"https://example.com/stop\">こちら</a></p>",
         true,
         {true, true, true, true}},
        // Only in the markup: the link's address is what a reader sees.
        {"<p>株式会社フェンドリバル</p><!-- 〒100-0001 東京都千代田区 -->"
         "<p title=\"TEL 03-1234-5678\">お問い合わせ</p>",
         true,
         {true, false, false, false}},
    };
    for (const auto& row : rows) {
        precheck::SendingFields fields;
        fields.senderName = "フェンドリバル商店";
        fields.html = row.html;
        const auto items = precheck::legalChecks(fields, {{3, "春の案内", row.body}});
        const precheck::LegalFindings& e = row.expected;
        const int missing = !e.senderName + !e.optOut + !e.postalAddress + !e.contact;
        ASSERT_EQ(items.size(), missing ? std::size_t(missing) : 1u) << row.body;
        for (const auto& item : items) {
            EXPECT_EQ(item.verdict, missing ? Verdict::Problem : Verdict::Ok) << row.body;
            EXPECT_NE(item.title.find("グループ3「春の案内」"), std::string::npos);
        }
        if (row.html) continue;  // the items above went through the HTML's text
        const precheck::LegalFindings found = precheck::findLegalText(row.body, fields.senderName);
        EXPECT_EQ(found.senderName, e.senderName) << row.body;
        EXPECT_EQ(found.optOut, e.optOut) << row.body;
        EXPECT_EQ(found.postalAddress, e.postalAddress) << row.body;
        EXPECT_EQ(found.contact, e.contact) << row.body;
    }
}

std::string listOf(std::size_t gmail, std::size_t googlemail, std::size_t other) {
    std::string text;
    for (std::size_t i = 0; i < gmail; ++i) text += "u" + std::to_string(i) + "@Gmail.com,1\r\n";
    for (std::size_t i = 0; i < googlemail; ++i)
        text += "g" + std::to_string(i) + "@googlemail.com,1\r\n";
    for (std::size_t i = 0; i < other; ++i) text += "o" + std::to_string(i) + "@example.jp,2\r\n";
    return text;
}

TEST(Volume, CountsDomainsWithoutOptOutsAndAppliesGmailRulesFromFiveThousand) {
    const struct {
        std::string list;
        std::string optOuts;
        std::size_t recipients;
        std::size_t gmail;
        Verdict verdict;
    } rows[] = {
        {listOf(4999, 0, 10), "", 5009, 4999, Verdict::Ok},
        {listOf(5000, 0, 0), "", 5000, 5000, Verdict::Caution},
        {listOf(4000, 1000, 0), "", 5000, 5000, Verdict::Caution},
        // An opt-out brings it under the threshold.
        {listOf(5000, 0, 0), "U7@gmail.com\r\n", 4999, 4999, Verdict::Ok},
        // Blank lines and a line without "@" (counted, under no domain).
        {"\r\n\r\nnobody,1\r\na@example.jp,1", "", 2, 0, Verdict::Ok},
        {"", "", 0, 0, Verdict::Ok},
    };
    for (const auto& row : rows) {
        const precheck::Volume volume =
            precheck::countDomains(row.list, recipients::OptOutList(row.optOuts));
        EXPECT_EQ(volume.recipients, row.recipients);
        EXPECT_EQ(volume.gmail(), row.gmail);
        const auto items = precheck::volumeChecks(volume, {});
        ASSERT_EQ(items.size(), 2u);
        EXPECT_EQ(items[0].verdict, row.verdict) << items[0].finding;
        EXPECT_EQ(items[1].verdict, Verdict::Caution);  // one-click unsubscribe: not visible
    }
    const precheck::Volume mixed = precheck::countDomains(listOf(2, 1, 3), {});
    ASSERT_EQ(mixed.domains.size(), 3u);
    EXPECT_EQ(mixed.domains[0].domain, "example.jp");
    EXPECT_EQ(mixed.domains[1].domain, "gmail.com");
}

TEST(RunLength, CountsPausesBetweenBatchesOnly) {
    const struct {
        std::int64_t recipients, interval, pause;
        std::int64_t seconds;
        const char* text;
        Verdict verdict;
    } rows[] = {
        {0, 100, 60, 0, "0分", Verdict::Ok},
        {100, 100, 60, 0, "0分", Verdict::Ok},  // one batch, no pause after it
        {101, 100, 60, 60, "1分", Verdict::Ok},
        {1000, 0, 60, 0, "0分", Verdict::Ok},  // 0: no pauses
        {1441, 1, 60, 86400, "1日0時間0分", Verdict::Ok},
        {1442, 1, 60, 86460, "1日0時間1分", Verdict::Caution},
        {10001, 100, 61, 6100, "1時間42分", Verdict::Ok},
        {3, 1, -5, 0, "0分", Verdict::Ok},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(precheck::pauseSeconds(row.recipients, row.interval, row.pause), row.seconds);
        EXPECT_EQ(precheck::durationText(row.seconds), row.text);
        precheck::SendingFields fields;
        fields.pauseInterval = row.interval;
        fields.pauseTime = row.pause;
        const precheck::CheckItem item =
            precheck::runLengthCheck(fields, static_cast<std::size_t>(row.recipients));
        EXPECT_EQ(item.verdict, row.verdict) << item.finding;
        EXPECT_NE(item.finding.find(row.text), std::string::npos) << item.finding;
    }
}

}  // namespace
