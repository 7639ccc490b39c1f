#include "text/iconv_converter.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>

namespace text {
namespace {

const auto kNoDescriptor = reinterpret_cast<void*>(static_cast<std::intptr_t>(-1));
constexpr auto kFailed = static_cast<std::size_t>(-1);

}  // namespace

IconvConverter::IconvConverter(const char* to, const char* from)
    : cd_(reinterpret_cast<void*>(iconv_open(to, from))) {}

IconvConverter::~IconvConverter() {
    if (ok()) iconv_close(static_cast<iconv_t>(cd_));
}

bool IconvConverter::ok() const {
    return cd_ != kNoDescriptor;
}

bool IconvConverter::run(std::string_view in, std::string& out, std::size_t& consumed) {
    consumed = 0;
    if (!ok()) return false;
    const auto cd = static_cast<iconv_t>(cd_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::size_t written = out.size();
    // No encoding we read gives more than three bytes of UTF-8 for two in; E2BIG grows it.
    out.resize(written + in.size() + in.size() / 2 + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t left = in.size();
    bool whole = true;
    bool flushing = false;
    for (;;) {
        char* dst = out.data() + written;
        std::size_t room = out.size() - written;
        // With the input used up, one more call writes what a shift state still holds.
        const std::size_t rc = flushing ? iconv(cd, nullptr, nullptr, &dst, &room)
                                        : iconv(cd, &src, &left, &dst, &room);
        written = static_cast<std::size_t>(dst - out.data());
        if (rc == kFailed && errno == E2BIG) {
            out.resize(out.size() * 2);
        } else if (rc == kFailed) {
            whole = false;
            break;
        } else if (flushing) {
            break;
        } else {
            flushing = true;
        }
    }
    out.resize(written);
    consumed = in.size() - left;
    return whole;
}

}  // namespace text
