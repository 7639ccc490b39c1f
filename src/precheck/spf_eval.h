#pragma once

#include <string>

namespace precheck {

class DnsClient;

namespace spf {

// The seven results of check_host().
enum class Result { None, Neutral, Pass, Fail, SoftFail, TempError, PermError };

// "pass", "permerror", ...: the words receivers write into their headers.
const char* resultName(Result result);

// Why a permerror or temperror came about.
enum class Problem {
    None,
    Syntax,        // a term that breaks the record's grammar
    TwoRecords,    // more than one SPF record at the domain
    LookupLimit,   // an eleventh term that queries DNS
    VoidLimit,     // a third look-up that found nothing
    MxLimit,       // more than ten MX records
    IncludeNone,   // include: of a domain with no SPF record
    RedirectNone,  // redirect= to a domain with no SPF record
    DnsTimeout,    // no answer from DNS
};

struct Evaluation {
    Result result = Result::None;
    // The mechanism that matched, as published, and the domain whose record holds it
    // (another than the sender's when a redirect= led there). "" when none matched.
    std::string mechanism;
    std::string mechanismDomain;
    std::string redirect;  // the first redirect= followed to get there, "" when none
    Problem problem = Problem::None;
    std::string problemTerm;    // the term at fault, as published
    std::string problemDomain;  // whose record holds it, or the name that got no answer
    std::string explanation;    // the exp= text after a fail, "" when none
};

// check_host() for the client address and the envelope sender; an empty sender checks
// the HELO name instead, as receivers do for bounces.
Evaluation checkHost(DnsClient& dns, const std::string& clientAddress, const std::string& sender,
                     const std::string& helo);

}  // namespace spf
}  // namespace precheck
