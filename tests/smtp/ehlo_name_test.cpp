// The name we greet with, decided from what the name service says.
#include <gtest/gtest.h>

#include <netinet/in.h>

#include "smtp/ehlo_name.h"

namespace {

std::vector<std::string> fakeResolve(const std::string& name) {
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
    };
    for (const auto& c : cases)
        EXPECT_EQ(smtp::chooseEhloName(c.candidates, own, fakeResolve, literal), c.expected)
            << c.candidates.front();
}

TEST(EhloName, AddressLiteralsAsTheGreetingWritesThem) {
    sockaddr_in four{};
    four.sin_family = AF_INET;
    four.sin_addr.s_addr = htonl(0xC000020A);  // 192.0.2.10
    EXPECT_EQ(smtp::addressLiteral(reinterpret_cast<sockaddr*>(&four)), "[192.0.2.10]");
    sockaddr_in6 six{};
    six.sin6_family = AF_INET6;
    six.sin6_addr.s6_addr[0] = 0x20;
    six.sin6_addr.s6_addr[1] = 0x01;
    six.sin6_addr.s6_addr[2] = 0x0d;
    six.sin6_addr.s6_addr[3] = 0xb8;
    six.sin6_addr.s6_addr[15] = 1;
    EXPECT_EQ(smtp::addressLiteral(reinterpret_cast<sockaddr*>(&six)), "[IPv6:2001:db8::1]");
    sockaddr_in6 mapped{};
    mapped.sin6_family = AF_INET6;
    mapped.sin6_addr.s6_addr[10] = mapped.sin6_addr.s6_addr[11] = 0xff;
    mapped.sin6_addr.s6_addr[12] = 192;
    mapped.sin6_addr.s6_addr[14] = 2;
    mapped.sin6_addr.s6_addr[15] = 10;
    EXPECT_EQ(smtp::addressLiteral(reinterpret_cast<sockaddr*>(&mapped)), "[192.0.2.10]");
}

TEST(EhloName, LocalEndOfAConnectionToTheServer) {
    std::vector<std::string> pinned;
    EXPECT_EQ(smtp::localEndLiteral("127.0.0.1", pinned), "[127.0.0.1]");
    EXPECT_EQ(pinned, std::vector<std::string>{"127.0.0.1"});
}

}  // namespace
