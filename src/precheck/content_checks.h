#pragma once

#include <vector>

#include "precheck/check_item.h"
#include "precheck/dns_checks.h"
#include "precheck/precheck_input.h"

namespace precheck {

std::vector<CheckItem> volumeChecks(const Volume& volume, const DnsFacts& facts);
CheckItem runLengthCheck(const SendingFields& fields, std::size_t recipients);
// One item per group whose text shows everything, else one per missing item.
std::vector<CheckItem> legalChecks(const SendingFields& fields,
                                   const std::vector<GroupBody>& groups);

}  // namespace precheck
