#pragma once

#include <string>
#include <string_view>

#include "text/iconv_converter.h"

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
    std::string text;  // UTF-8 without the BOM; the file's own bytes when `raw`
    bool raw = false;  // CP932 or EUC-JP left as it was, for its cells to be converted
    // The detector named neither CP932 nor EUC-JP, and both read the bytes, differently: the
    // CP932 reading taken is a guess. Fine for cells nobody reads; not for an address.
    bool guessed = false;
};

// A BOM decides; otherwise valid UTF-8 is UTF-8; otherwise uchardet picks between CP932
// and EUC-JP. When it names neither (a short CP932 file may read as ISO-8859-1), the first
// of CP932 and EUC-JP that decodes the whole text strictly is used. Takes the bytes to
// free them as soon as they are converted.
//
// With keepDetected, a CP932 or EUC-JP text the detector named stays in its bytes: a
// million rows then need no conversion, as only the address cells are ever read, and the
// delimiter, quote and line ends never occur inside a character of either.
DecodedText decodeText(std::string bytes, bool keepDetected = false);

// A cell of a raw text as UTF-8; false when its bytes are not text in the encoding.
class CellDecoder {
public:
    explicit CellDecoder(Encoding encoding);  // CP932 or EUC-JP

    bool toUtf8(std::string_view cell, std::string& out);
    // For showing: each undecodable character becomes one U+FFFD, with all its bytes (a
    // CP932 lead byte with its trail byte; two EUC-JP bytes, three after 0x8F).
    std::string toUtf8Lossy(std::string_view cell);

private:
    // The cell's bytes as UTF-8 into out; lossy: one U+FFFD for each character that cannot
    // be read. True when every byte was read.
    bool convert(std::string_view cell, std::string& out, bool lossy);

    Encoding encoding_;
    text::IconvConverter conv_;
};

// True when the cell holds an "@" as a character of its own (in CP932 the byte 0x40 is
// also the second byte of many characters, the ideographic space among them).
bool holdsAtSign(std::string_view cell, Encoding encoding, bool raw);

// The name uchardet gives the bytes, "" when it has none; only a prefix is looked at.
std::string detectCharset(std::string_view bytes);

bool isValidUtf8(std::string_view bytes);

}  // namespace recipients
