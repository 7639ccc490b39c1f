#pragma once

#include <string>
#include <string_view>

// The encodings a recipient file comes in, and turning its bytes into UTF-8.
namespace recipients {

enum class Encoding { Utf8, Utf8Bom, Utf16Le, Utf16Be, Cp932, EucJp };

enum class DecodeFault {
    None,
    NotText,          // NUL bytes outside UTF-16: a spreadsheet, an archive, an image
    UnknownEncoding,  // no encoding we read decodes every byte
};

struct DecodedText {
    DecodeFault fault = DecodeFault::None;
    Encoding encoding = Encoding::Utf8;
    std::string utf8;  // without the BOM
};

// A BOM decides; otherwise valid UTF-8 is UTF-8; otherwise uchardet picks between CP932
// and EUC-JP. When it names neither (a short CP932 file may read as ISO-8859-1), the first
// of CP932 and EUC-JP that decodes the whole text strictly is used. Takes the bytes to
// free them as soon as they are converted.
DecodedText decodeText(std::string bytes);

// The name uchardet gives the bytes, "" when it has none; only a prefix is looked at.
std::string detectCharset(std::string_view bytes);

bool isValidUtf8(std::string_view bytes);

}  // namespace recipients
