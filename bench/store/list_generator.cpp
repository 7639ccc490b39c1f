#include "list_generator.h"

#include <cstdio>
#include <stdexcept>

namespace benchstore {

namespace {

// Small, fast and the same everywhere, unlike the standard distributions.
class Lcg {
public:
    explicit Lcg(std::uint32_t seed) : state_(seed) {}
    std::uint32_t next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state_ >> 33);
    }

private:
    std::uint64_t state_;
};

// CP932: 山田 表示 ソフト ポスト 営業 (表 = 95 5C, ソ = 83 5C, ポ = 83 7C).
const char* const kJapaneseLocal[] = {
    "\x8e\x52\x93\x63",         "\x95\x5c\x8e\xa6", "\x83\x5c\x83\x74\x83\x67",
    "\x83\x7c\x83\x58\x83\x67", "\x89\x63\x8b\xc6",
};
const char* const kLatinLocal[] = {"info",         "sales",      "taro.yamada", "h-suzuki",
                                   "support_desk", "newsletter", "k.tanaka",    "user"};
const char* const kDomains[] = {"example.com", "example.co.jp", "mail.example.ne.jp",
                                "example.org"};
// 例え.jp in CP932.
const char* const kJapaneseDomain = "\x97\xe1\x82\xa6.jp";

template <std::size_t N>
const char* pick(const char* const (&items)[N], Lcg& rng) {
    return items[rng.next() % N];
}

void appendLine(std::string& out, std::size_t index, int groups, Lcg& rng) {
    const bool japanese = rng.next() % 100 < 15;
    out += japanese ? pick(kJapaneseLocal, rng) : pick(kLatinLocal, rng);
    out += std::to_string(index);
    out += '@';
    out += (japanese && rng.next() % 2 == 0) ? kJapaneseDomain : pick(kDomains, rng);
    out += ',';
    out += std::to_string(rng.next() % static_cast<std::uint32_t>(groups));
    out += "\r\n";
}

}  // namespace

void writeRecipientList(const std::string& path, std::size_t lines, int groups,
                        std::uint32_t seed) {
    if (groups < 1) throw std::invalid_argument("groups must be 1 or more");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) throw std::runtime_error("cannot create " + path);
    Lcg rng(seed);
    std::string chunk;
    for (std::size_t i = 0; i < lines; ++i) {
        appendLine(chunk, i, groups, rng);
        if (chunk.size() >= (1u << 20) || i + 1 == lines) {
            if (std::fwrite(chunk.data(), 1, chunk.size(), file) != chunk.size()) {
                std::fclose(file);
                throw std::runtime_error("cannot write " + path);
            }
            chunk.clear();
        }
    }
    if (std::fclose(file) != 0) throw std::runtime_error("cannot write " + path);
}

}  // namespace benchstore
