#pragma once

#include <optional>
#include <string>

// The texts that start the sending program on one project: the batch line it was built for,
// and a shell launcher that starts the same run here.
namespace sendrun {

// "java -cp D -cp D;Dmail.jar fendrival D P" and CR LF, in CP932 bytes. The application
// folder is an on-disk (UTF-8) path ending in "/"; the project is the listed CP932 name.
// nullopt when the folder's path has no CP932 form: the line would name another folder.
std::optional<std::string> batchLine(const std::string& appFolder, const std::string& project);

// "#!/bin/sh" and "exec java -cp D -cp D:Dmail.jar fendrival D P" with every argument
// single-quoted, LF ends, UTF-8. Both strings are UTF-8 here.
std::string launcherScript(const std::string& appFolder, const std::string& project);

// The text as one single-quoted shell word; a quote inside becomes '\''.
std::string shellWord(const std::string& text);

}  // namespace sendrun
