#pragma once

#include <string>

namespace bench {

// One measured run each, in a process of its own.
// The window: pick the project, time until group 0 is in the recipient field.
int measureWindowLoad(int argc, char** argv, const std::string& appPath, long recipients);
// The baseline: the same text put into a fresh editor with its plain setText.
int measureBareEditor(int argc, char** argv, long recipients);

}  // namespace bench
