#pragma once

#include <string>
#include <vector>

#include "bench_report.h"

namespace mailboxbench {

// One measured run of the real 返送メール取込 dialog in a process of its own, against the
// Dovecot on `port`: opens it, reads the mailbox (once cancelled, once to the report),
// ticks, copies and adds, then the same on a report at the row cap. Prints a STALL line per
// action; returns 1 when an action did not do what it should.
int runDialogStalls(int argc, char** argv, int port, const std::string& caFile, bool screenReader);

// The longest gap of the dialog's window per action against the 100 ms limit, medians of
// `runs` runs, without and with a screen reader listening.
std::vector<bench::Check> compareDialogStalls(int port, const std::string& caFile, int runs);

}  // namespace mailboxbench
