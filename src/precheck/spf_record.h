#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// An SPF record read into its terms, its whole syntax checked before anything is evaluated.
namespace precheck::spf {

enum class MechanismKind { All, Include, A, Mx, Ptr, Ip4, Ip6, Exists };

struct Mechanism {
    char qualifier = '+';  // + - ~ ?
    MechanismKind kind = MechanismKind::All;
    std::string text;        // the term as published
    std::string domainSpec;  // "" where the term takes the record's own domain
    int cidr4 = 32;
    int cidr6 = 128;
    std::array<unsigned char, 16> network{};  // ip4: the first four bytes
};

struct Modifier {
    std::string text;  // the term as published
    std::string domainSpec;
};

struct Record {
    std::vector<Mechanism> mechanisms;
    std::optional<Modifier> redirect;
    std::optional<Modifier> explanation;
};

// "v=spf1" in any case, followed by a blank or the end.
bool isSpfRecord(std::string_view txt);

// The record, or nothing with the first term in error in badTerm.
std::optional<Record> parseRecord(std::string_view txt, std::string& badTerm);

}  // namespace precheck::spf
