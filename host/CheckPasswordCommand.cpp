// tarvik-host check-password BQID PASSWORD: true or false; either is a success.
#include <ostream>

#include "host/HostCommand.h"
#include "host/Reader.h"
#include "winport/Codepage.h"

int RunCheckPassword(HostContext& context, const std::vector<std::string>& arguments) {
  if (arguments.size() != 2) return 2;
  const bool right = OpenReader(context, arguments[0])->CheckPassword(Utf8ToGbk(arguments[1]));
  context.Out << (right ? "true" : "false") << "\n";
  return 0;
}
