#pragma once

class PlainTextField;

// A save, check or import of the recipient list never acts on a half-filled field: while
// it is still loading, the user is told to try again once it is in, and nothing happens.
namespace loadingrefusal {

// True, after the warning, when the field is still loading.
bool refuse(PlainTextField* field);

}  // namespace loadingrefusal
