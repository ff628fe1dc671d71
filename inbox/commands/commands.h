// packgate-inbox's commands. Each takes the arguments after its name and answers the
// program's exit status: 0 done, 1 failed, 2 wrong usage.
#pragma once

#include <string>
#include <vector>

namespace inbox {

inline constexpr const char* kDefaultDatabase = "packgate-inbox.sqlite";

int ServeCommand(const std::vector<std::string>& arguments);
int ListCommand(const std::vector<std::string>& arguments);
int StatsCommand(const std::vector<std::string>& arguments);

}  // namespace inbox
