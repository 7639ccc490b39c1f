#pragma once

#include <QString>
#include <optional>
#include <string>

class QWidget;

namespace recipients {
class OptOutList;
}

// Reading a recipient file the way every list of the tool takes one: read on a worker,
// a warning naming a file that cannot be used, then the report with its choice.
namespace recipientimport {

struct Chosen {
    std::string text;  // one address a line, each ending in LF
    bool replace = false;
};

// `list` is the list as it stands (UTF-8, one address a line), for the repeats; addresses
// on `optOuts` are left out and counted in the report. Nothing when the user cancelled or
// the file could not be used (the user has been told).
std::optional<Chosen> ask(QWidget* parent, const QString& path, std::string list,
                          const recipients::OptOutList* optOuts = nullptr);

}  // namespace recipientimport
