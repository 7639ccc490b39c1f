#pragma once

#include <QString>
#include <optional>
#include <string>

#include "recipients/recipient_import.h"

class QWidget;

// Reads a recipient file on a worker thread while the window keeps painting. Files over a
// few MB show a progress dialog that can cancel; smaller ones take a moment under the wait
// cursor, with the user's input held back until they are read.
namespace recipientfile {

// Files from this size on show the progress dialog.
inline constexpr qint64 kProgressFrom = 4 * 1024 * 1024;

// The result, or nothing when the user cancelled. `field` is the recipient field's text;
// addresses on `optOuts` are left out (see importRecipients).
std::optional<recipients::ImportResult> read(QWidget* parent, const QString& path,
                                             std::string field,
                                             const recipients::OptOutList* optOuts = nullptr);

}  // namespace recipientfile
