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

#include "scene/lmf_error.h"

namespace lmfd {

// Prints the tree of `bytes` to `out`. True for a file the loader accepts;
// false with the fault (offset, chunk path, what is wrong and, in brackets,
// the loader's name for the reason) in *error, which is also printed, and
// the reason the loader would record (LmfLastError) in *reason.
bool DumpLmf(const std::vector<uint8_t>& bytes, std::ostream& out, std::string* error,
             LmfError* reason = nullptr);

}  // namespace lmfd

#endif  // MORVANE_TOOLS_LMF_DUMP_H
