#include "sendrun/batch_text.h"

#include <initializer_list>

#include "text/cp932.h"

namespace sendrun {

namespace {

const char* const kMainClass = "fendrival";
const char* const kLibrary = "mail.jar";

}  // namespace

std::optional<std::string> batchLine(const std::string& appFolder, const std::string& project) {
    const std::optional<std::string> d = text::cp932::fromUtf8(appFolder);
    if (!d) return std::nullopt;
    // Unquoted on purpose: the sending program may rely on how the line splits.
    return "java -cp " + *d + " -cp " + *d + ";" + *d + kLibrary + " " + kMainClass + " " + *d +
           " " + project + "\r\n";
}

std::string launcherScript(const std::string& appFolder, const std::string& project) {
    std::string line = "exec java";
    for (const std::string& arg :
         {std::string("-cp"), appFolder, std::string("-cp"), appFolder + ":" + appFolder + kLibrary,
          std::string(kMainClass), appFolder, project}) {
        line += " " + shellWord(arg);
    }
    return "#!/bin/sh\n" + line + "\n";
}

std::string shellWord(const std::string& text) {
    std::string word = "'";
    for (char c : text) {
        if (c == '\'') {
            word += "'\\''";
        } else {
            word += c;
        }
    }
    return word + "'";
}

}  // namespace sendrun
