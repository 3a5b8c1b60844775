// The pac command line, as a function so tests can run it.
#ifndef MORVANE_TOOLS_PAC_CLI_H
#define MORVANE_TOOLS_PAC_CLI_H

#include <ostream>
#include <string>
#include <vector>

namespace pac {

// `args` excludes the program name. 0 on success, 1 on a failure, 2 on a
// usage error.
int RunPac(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace pac

#endif  // MORVANE_TOOLS_PAC_CLI_H
