#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace benchstore {

// Writes a list.txt of `lines` recipients spread at random over groups 0..groups-1:
// CP932 addresses, some Japanese (with trail bytes 0x5C and 0x7C), each line
// "address,group" CR LF. The same seed gives the same file.
void writeRecipientList(const std::string& path, std::size_t lines, int groups,
                        std::uint32_t seed = 20240601);

}  // namespace benchstore
