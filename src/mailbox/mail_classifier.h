#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "mailbox/mail_kind.h"

// One mail that came back, read with GMime and given exactly one kind.
namespace mailbox {

// The parts looked at below the top; deeper nesting and further parts are skipped, so a
// mail built to exhaust the reader costs no more than an ordinary one.
inline constexpr int kMaxDepth = 16;
inline constexpr std::size_t kMaxParts = 256;

// `own` is the mailbox's own address, never taken for a recipient.
Verdict classify(std::string_view bytes, const std::string& own);

}  // namespace mailbox
