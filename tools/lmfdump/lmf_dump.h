// Explaining LMF scene files: prints the chunk tree with tags, lengths and
// decoded values (counts, names, key counts, picture and texture sizes) and
// stops at the first fault with where and why, applying the same rules as
// the loader (scene/lmf_loader.h).
//
// Does not: create Direct3D objects. Threads: no shared state; any thread.
#ifndef MORVANE_TOOLS_LMF_DUMP_H
#define MORVANE_TOOLS_LMF_DUMP_H

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace lmfd {

// Prints the tree of `bytes` to `out`. True for a file the loader accepts;
// false with the fault (offset, chunk path and reason) in *error, which is
// also printed.
bool DumpLmf(const std::vector<uint8_t>& bytes, std::ostream& out, std::string* error);

}  // namespace lmfd

#endif  // MORVANE_TOOLS_LMF_DUMP_H
