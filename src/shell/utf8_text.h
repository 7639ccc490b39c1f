#pragma once

#include <QString>
#include <string>

namespace shell {

// UTF-8 as the window's text: the sources spell their Japanese texts in UTF-8, and the
// Qt-free layers hand up UTF-8.
QString u(const char* utf8);
QString u(const std::string& utf8);

}  // namespace shell
