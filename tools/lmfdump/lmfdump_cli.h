// lmfdump's command line: --help, one file, the exit status. Kept apart from
// main so that the tests run it.
//
// Threads: no shared state; any thread.
#ifndef MORVANE_TOOLS_LMFDUMP_CLI_H
#define MORVANE_TOOLS_LMFDUMP_CLI_H

#include <ostream>
#include <string>
#include <vector>

namespace lmfd {

// Runs lmfdump with these arguments (without the program name). Returns the
// exit status: 0 the loader accepts the file (and for --help), 1 malformed,
// 2 unreadable file or a wrong command line.
int LmfdumpMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace lmfd

#endif  // MORVANE_TOOLS_LMFDUMP_CLI_H
