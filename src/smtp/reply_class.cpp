#include "smtp/reply_class.h"

namespace smtp {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

int replyCode(const std::string& line) {
    if (line.size() < 3 || !isDigit(line[0]) || !isDigit(line[1]) || !isDigit(line[2])) return 0;
    if (line.size() > 3 && line[3] != ' ' && line[3] != '-') return 0;
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

bool isPositive(int code) {
    return code / 100 == 2;
}

bool isIntermediate(int code) {
    return code / 100 == 3;
}

bool isTransient(int code) {
    return code / 100 == 4;
}

bool isRefusal(int code) {
    return code / 100 == 4 || code / 100 == 5;
}

bool isRefusal(const std::string& line) {
    return isRefusal(replyCode(line));
}

}  // namespace smtp
