#pragma once

#include <QString>
#include <functional>

namespace recipients {
class OptOutFileRefused;
}

// An opt-out list with lines the tool cannot read stops every action that builds or writes
// a list: the user is shown the lines and may open the list to mend them.
namespace optoutrefusal {

QString text(const recipients::OptOutFileRefused& refused);

// Runs the action; when it stops on such a list, asks whether to open the list, and calls
// `openList` on OK.
void guard(const std::function<void()>& action, const std::function<void()>& openList);

}  // namespace optoutrefusal
