#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

// Text between the store (CP932 bytes) and the window's fields.
namespace fieldtext {

// For showing: bytes that are not CP932 appear as U+FFFD.
QString fromStore(const std::string& cp932);
// UTF-8 for the multi-line fields, which take bytes without a QString in between.
std::string utf8FromStore(const std::string& cp932);
// The same, reusing the bytes when they are all ASCII (a million addresses need no copy).
std::string utf8FromStore(std::string&& cp932);

// For writing: nullopt when the text holds a character CP932 cannot hold, so the caller
// can refuse instead of storing "?".
std::optional<std::string> toStore(const QString& text);
std::optional<std::string> toStoreFromUtf8(std::string_view utf8);

}  // namespace fieldtext
