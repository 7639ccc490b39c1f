#pragma once

#include <string>

// What the law on advertising mail asks a mail's text to show, looked for by text search.
namespace precheck {

struct LegalFindings {
    bool senderName = false;  // the sender's name, or a company name form
    bool optOut = false;      // an opt-out statement with an address or URL near it
    bool postalAddress = false;
    bool contact = false;  // a labelled telephone number, address or URL for questions
};

// body: the mail's text as a reader sees it (UTF-8; HTML already made text).
LegalFindings findLegalText(const std::string& body, const std::string& senderName);

}  // namespace precheck
