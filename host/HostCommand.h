// The subcommands of tarvik-host. Each lives in a file of its own and has one
// line in HostCommands.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class TarvikLibrary;

struct HostContext {
  TarvikLibrary& Library;
  bool Json;
  std::ostream& Out;
};

struct HostCommand {
  const char* Name;
  const char* Arguments;
  const char* Help;
  // Answers the exit status; the library's exceptions pass through.
  int (*Run)(HostContext& context, const std::vector<std::string>& arguments);
};

int RunList(HostContext& context, const std::vector<std::string>& arguments);
int RunOpen(HostContext& context, const std::vector<std::string>& arguments);
int RunCheckPassword(HostContext& context, const std::vector<std::string>& arguments);
int RunLoad(HostContext& context, const std::vector<std::string>& arguments);

inline constexpr HostCommand HostCommands[] = {
    {"list", "", "one line per installed rate library: index, BQID, region, period, type, caption, folder", RunList},
    {"open", "BQID", "opens the library's reader; prints its folder and whether it has a template model", RunOpen},
    {"check-password", "BQID PASSWORD", "prints true when the password opens the library's first bill block",
     RunCheckPassword},
    {"load", "BQID --password P (--codes C,... | --bq-keys K,... | --group-keys G,...) [--summary]",
     "loads bill items into the rate model; prints its result (JSON) or, with --summary, each table's row count",
     RunLoad},
};
