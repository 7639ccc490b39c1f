#include "shell/utf8_text.h"

namespace shell {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QString u(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

}  // namespace shell
