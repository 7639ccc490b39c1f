#pragma once

#include <functional>
#include <optional>

namespace bench {

// Times one press from the call of its handler to the box that ends it. Every box is
// answered OK; the clock stops inside the responder when the box of the awaited style
// arrives. The press must show exactly a question and then that box: anything else (a
// warning, say) is written to stderr and gives nothing.
std::optional<double> millisToBox(const std::function<void()>& press, int awaitedStyle);

}  // namespace bench
