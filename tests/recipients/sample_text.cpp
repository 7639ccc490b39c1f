#include "sample_text.h"

#include <iconv.h>

#include <stdexcept>

namespace sample {

std::string encode(const char* encoding, const std::string& utf8) {
    iconv_t cd = iconv_open(encoding, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no iconv encoding");
    std::string out(utf8.size() * 4 + 8, '\0');
    char* src = const_cast<char*>(utf8.data());
    std::size_t srcLeft = utf8.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    const std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) throw std::runtime_error("cannot encode the sample");
    out.resize(out.size() - dstLeft);
    return out;
}

std::string customerCsv(int rows, const char* delimiter) {
    const char* names[] = {"山田太郎", "鈴木花子", "佐藤一郎", "高橋ソフト株式会社"};
    const char* places[] = {"東京都", "大阪府", "北海道", "福岡県"};
    std::string text =
        std::string("氏名") + delimiter + "メールアドレス" + delimiter + "都道府県\r\n";
    for (int n = 0; n < rows; ++n) {
        text += std::string(names[n % 4]) + delimiter + "user" + std::to_string(n) +
                "@example.co.jp" + delimiter + places[n % 4] + "\r\n";
    }
    return text;
}

}  // namespace sample
