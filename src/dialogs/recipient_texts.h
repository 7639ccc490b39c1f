#pragma once

#include <QString>
#include <cstddef>

#include "recipients/address_check.h"
#include "recipients/file_encoding.h"
#include "recipients/optout_reader.h"

// What the recipient dialogs say about an address, an encoding and a count.
namespace recipienttext {

QString fault(recipients::AddressFault fault);
QString duplicateOf(std::size_t line);
// Why a listed line is left out or should go: it names an opted-out address.
QString optedOut();
QString encoding(recipients::Encoding encoding);
// A line of the opt-out list that gave no address: "12行目: text（why）".
QString unreadableLine(const recipients::UnreadableLine& line);
// "1,234,567": the count label and the reports group digits the way the users write them.
QString number(std::size_t value);

}  // namespace recipienttext
