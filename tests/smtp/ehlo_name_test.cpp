// The name we greet with, decided from what the name service says.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include "smtp/ehlo_name.h"

namespace {

std::vector<std::string> fakeResolve(const std::string& name) {
    // As the real resolver does: a name in any numeric form it reads is its own address.
    if (in_addr numeric{}; inet_aton(name.c_str(), &numeric)) {
        char text[INET_ADDRSTRLEN] = {};
        return {"[" + std::string(inet_ntop(AF_INET, &numeric, text, sizeof text)) + "]"};
    }
    if (name == "mail.example.jp") return {"[192.0.2.10]"};
    if (name == "elsewhere.example.jp") return {"[198.51.100.7]"};
    if (name == "loop.example.jp") return {"[127.0.1.1]"};
    return {};
}

TEST(EhloName, QualifiedNameThatLeadsHomeElseTheLiteral) {
    const std::vector<std::string> own = {"[127.0.0.1]", "[192.0.2.10]"};
    const std::string literal = "[192.0.2.10]";
    const struct {
        std::vector<std::string> candidates;
        const char* expected;
    } cases[] = {
        {{"vm"}, "[192.0.2.10]"},
        {{"vm", "mail.example.jp"}, "mail.example.jp"},
        {{"mail.example.jp."}, "mail.example.jp"},
        {{"elsewhere.example.jp"}, "[192.0.2.10]"},
        {{"loop.example.jp"}, "loop.example.jp"},
        {{"unknown.example.jp"}, "[192.0.2.10]"},
        {{"vm.", "192.0.2.10", ".example.jp", "a..b"}, "[192.0.2.10]"},
        {{"0xc0.0.2.10", "0x7f.1.", "127.1"}, "[192.0.2.10]"},  // numbers, not names
    };
    for (const auto& c : cases)
        EXPECT_EQ(smtp::chooseEhloName(c.candidates, own, fakeResolve, literal), c.expected)
            << c.candidates.front();
}

TEST(EhloName, AddressLiteralsAsTheGreetingWritesThem) {
    const struct {
        int family;
        const char* address;
        const char* literal;
    } cases[] = {
        {AF_INET, "192.0.2.10", "[192.0.2.10]"},
        {AF_INET6, "2001:db8::1", "[IPv6:2001:db8::1]"},
        {AF_INET6, "::ffff:192.0.2.10", "[192.0.2.10]"},  // a v4 peer on a v6 socket
    };
    for (const auto& c : cases) {
        sockaddr_storage address{};
        address.ss_family = sa_family_t(c.family);
        void* bytes = c.family == AF_INET
                          ? static_cast<void*>(&reinterpret_cast<sockaddr_in*>(&address)->sin_addr)
                          : &reinterpret_cast<sockaddr_in6*>(&address)->sin6_addr;
        ASSERT_EQ(inet_pton(c.family, c.address, bytes), 1) << c.address;
        EXPECT_EQ(smtp::addressLiteral(reinterpret_cast<sockaddr*>(&address)), c.literal);
    }
}

TEST(EhloName, LocalEndOfAConnectionToTheServer) {
    std::vector<std::string> pinned;
    EXPECT_EQ(smtp::localEndLiteral("127.0.0.1", pinned), "[127.0.0.1]");
    EXPECT_EQ(pinned, std::vector<std::string>{"127.0.0.1"});
}

}  // namespace
