#pragma once

#include <string>
#include <string_view>

// What a person's reply asks for, read from its subject and its own first lines (quoted
// lines and the quoted original are not the writer's words).
namespace mailbox {

// The reply's own opening lines: at most `lines` non-empty lines before the quoted part.
std::string openingLines(std::string_view utf8Body, std::size_t lines = 10);

// Asks to receive no more mail (配信停止, 停止希望, 解除, 不要, unsubscribe and the like).
bool asksToStop(const std::string& subject, const std::string& opening);

// An absence notice that came without the headers of automatic replies.
bool soundsAway(const std::string& subject, const std::string& opening);

}  // namespace mailbox
