// tarvik-host open BQID: opens the library's reader and tells its folder and
// whether it has a template model.
#include <ostream>

#include "host/HostCommand.h"
#include "host/Output.h"
#include "host/Reader.h"

int RunOpen(HostContext& context, const std::vector<std::string>& arguments) {
  if (arguments.size() != 1) return 2;
  IntfPtr<IRateBQ> entry = EntryByBQID(context, arguments[0]);
  IntfPtr<IRateBQDBReader> reader;
  entry->OpenReader(reader);
  IntfPtr<IKivModel> templateModel;
  reader->TemplateModel(templateModel);
  std::string folder;
  entry->GetPathName(folder);
  folder = Printable(folder);
  const bool hasTemplate = templateModel != nullptr;
  if (context.Json)
    context.Out << "{\"bqid\": " << entry->GetBQID() << ", \"folder\": " << JsonString(folder)
                << ", \"template\": " << (hasTemplate ? "true" : "false") << "}\n";
  else
    context.Out << "folder\t" << folder << "\ntemplate\t" << (hasTemplate ? "yes" : "no") << "\n";
  return 0;
}
