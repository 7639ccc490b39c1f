#pragma once

#include <functional>
#include <string>
#include <string_view>

// SPF macros: the %{...} expansions of a record's domain arguments and of an explanation text.
namespace precheck::spf {

// What the macro letters stand for during one evaluation.
struct MacroValues {
    std::string sender;        // s: local-part@domain
    std::string localPart;     // l
    std::string senderDomain;  // o
    std::string domain;        // d: the domain whose record is being read
    std::string ip;            // i: dotted quad, or IPv6 as dotted nibbles
    std::string clientText;    // c: the address as it is written
    bool ipv6 = false;         // v
    std::string helo;          // h
    // p: looked up only when a record asks for it; given the current domain.
    std::function<std::string(const std::string&)> validatedName;
};

// A macro-string; in an explanation blanks and the letters c, r and t are allowed too.
bool isMacroString(std::string_view text, bool explanation);

// macro-string followed by a macro or by "." and a top label (an optional final dot).
bool isDomainSpec(std::string_view text);

// The text with its macros expanded; "" for a text that isMacroString refuses.
std::string expandMacros(std::string_view text, const MacroValues& values, bool explanation);

// An expanded domain argument as a name to query: no final dot, and above 253 characters the
// left-hand labels dropped until it fits.
std::string queryName(std::string name);

}  // namespace precheck::spf
