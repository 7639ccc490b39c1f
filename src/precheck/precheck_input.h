#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "precheck/domain_volume.h"

namespace store {
class ProjectStore;
}

namespace precheck {

// The project's fields as they stand on the window (UTF-8).
struct SendingFields {
    std::string server;
    std::string sender;
    std::string senderName;
    bool html = false;
    std::int64_t pauseInterval = 0;
    std::int64_t pauseTime = 0;
};

struct GroupBody {
    int number = 0;
    std::string name;
    std::string body;  // as stored or typed; HTML when the fields say so
};

struct PrecheckInput {
    SendingFields fields;
    std::vector<GroupBody> groups;
    Volume volume;
};

// Groups 1..count from the store (CP932 made UTF-8); the group on the window comes with
// its typed name and body instead, saved or not.
std::vector<GroupBody> readGroupBodies(const store::ProjectStore& store, const std::string& project,
                                       int count, const GroupBody& shown);

}  // namespace precheck
