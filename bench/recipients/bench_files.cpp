#include "bench_files.h"

#include <sys/stat.h>

#include <cctype>
#include <fstream>
#include <stdexcept>

#include "text/cp932.h"

namespace benchrecipients {
namespace {

std::string address(long n) {
    return "member" + std::to_string(1000000 + n) + "@example.co.jp";
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string sj(const char* utf8) {
    auto text = text::cp932::fromUtf8(utf8);
    if (!text) throw std::runtime_error("not Shift-JIS");
    return *text;
}

}  // namespace

void writeGroupStore(const std::string& appPath, long recipients) {
    const std::string folder = appPath + "Mail/" + kProject + "/";
    ::mkdir((appPath + "Mail").c_str(), 0700);
    ::mkdir(folder.c_str(), 0700);
    writeFile(appPath + "project.ini", std::string(kProject) + "\r\n");
    writeFile(folder + "Fendrival.ini", sj("[メール同報システム]\r\nGROUPCOUNT=1\r\n\r\n"));
    writeFile(folder + "Group-0.txt", sj("全員") + "\r\n");
    std::string list;
    list.reserve(std::size_t(recipients) * 32);
    for (long n = 0; n < recipients; ++n) list += address(n) + ",0\r\n";
    writeFile(folder + "list.txt", list);
}

long writeCustomerCsv(const std::string& path, long rows) {
    const std::string names[] = {sj("山田太郎"), sj("鈴木花子"), sj("佐藤一郎"), sj("高橋美咲")};
    const std::string company = sj("株式会社サンプル商事");
    std::string text = sj("氏名,メールアドレス,会社名") + "\r\n";
    text.reserve(std::size_t(rows) * 64);
    long distinct = 0;
    for (long n = 0; n < rows; ++n) {
        std::string mail;
        if (n % 100 == 98) {
            mail = "broken" + std::to_string(n) + "@example";  // no dot in the domain
        } else if (n % 50 == 49) {
            mail = address(n - 10);  // a valid row ten above
            for (char& c : mail) c = char(std::toupper(static_cast<unsigned char>(c)));
        } else {
            mail = address(n);
            ++distinct;
        }
        text += names[n % 4] + "," + mail + "," + company + "\r\n";
    }
    writeFile(path, text);
    return distinct;
}

}  // namespace benchrecipients
