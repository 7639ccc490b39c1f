#pragma once

#include <array>
#include <atomic>
#include <string>
#include <vector>

#include "mailbox/mail_kind.h"
#include "mailbox/mailbox_reader.h"
#include "mailbox/mailbox_settings.h"
#include "mailbox/mailbox_state.h"
#include "recipients/address_check.h"

namespace store {
class ProjectStore;
}

// From the mailbox to the opt-out list in two steps: the report, which changes nothing,
// and the addition of what the user ticked, which writes the list, its journal and the
// read position together.
namespace mailbox {

struct ReportRow {
    Finding finding;
    std::string date;  // the mail's
    std::string subject;
    std::string messageId;
    std::string groups;  // the project's groups that list the address: "1, 3"; "" for none
    bool ticked = false;
};

struct Report {
    std::array<std::size_t, kKindCount> counts{};  // mails per kind
    std::vector<ReportRow> rows;
    std::size_t mails = 0;  // new mails read
    bool capped = false;    // some mail named more recipients than are listed
    State next;             // remembered once the report is taken
};

// A report lists at most this many rows.
inline constexpr std::size_t kMaxRows = 100000;

// The endpoint the settings name (the port as typed; TLS ports as usual).
Endpoint endpointFor(const Settings& settings);

// Reads the new mail and classifies it. Throws WireFailure (cancel included) and
// StoreError; nothing is written.
Report readReport(const store::ProjectStore& store, const std::string& project,
                  const Endpoint& endpoint, const std::string& folder, Progress& progress,
                  const std::atomic<bool>& cancel, const std::string& today);

struct Refused {
    std::string address;
    recipients::AddressFault fault;
};

struct Addition {
    std::size_t added = 0;
    std::size_t alreadyListed = 0;
    std::vector<Refused> refused;  // ticked, but not an address the list can hold
};

// Adds the ticked rows' addresses through the opt-out list's merge and writer, writes a
// journal line for each address added, and remembers what was read. A policy refusal is
// never added. `now` is "YYYY-MM-DD HH:MM". Throws StoreError, and std::runtime_error when
// optout.txt is not in the tool's own form.
Addition addTicked(const store::ProjectStore& store, const std::string& project,
                   const Report& report, const std::string& now);

// The journal's reason for a row.
std::string reasonOf(const Finding& finding);

}  // namespace mailbox
