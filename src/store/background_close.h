#pragma once

// Closing a descriptor off the caller's thread. The last close of a replaced, already
// unlinked file frees its blocks, which for a large file takes a while that nobody needs
// to wait for.
namespace store::textfile::detail {

// Takes over the descriptor and closes it on a thread of its own; closes it at once when
// no thread can be started. The caller lets go of any lock on it first.
void closeInBackground(int fd);

}  // namespace store::textfile::detail
