// tarvik-host list: the catalogue, one entry per line or as a JSON array.
#include <ostream>

#include "host/HostCommand.h"
#include "host/Output.h"
#include "host/TarvikLibrary.h"

namespace {

struct EntryText {
  int32_t Index, BQID;
  std::string Region, Period, Type, Caption, Folder;
};

EntryText Describe(int32_t index, IRateBQ& entry) {
  EntryText e{index, entry.GetBQID(), {}, {}, {}, {}, {}};
  std::string s;
  entry.GetRegionName(s);
  e.Region = Printable(s);
  entry.GetPeriodName(s);
  e.Period = Printable(s);
  entry.GetLibType(s);
  e.Type = Printable(s);
  entry.GetCaption(s);
  e.Caption = Printable(s);
  entry.GetPathName(s);
  e.Folder = Printable(s);
  return e;
}

void WriteLine(std::ostream& out, const EntryText& e) {
  out << e.Index << '\t' << e.BQID << '\t' << e.Region << '\t' << e.Period << '\t' << e.Type << '\t' << e.Caption
      << '\t' << e.Folder << '\n';
}

void WriteJson(std::ostream& out, const EntryText& e, bool last) {
  out << "  {\"index\": " << e.Index << ", \"bqid\": " << e.BQID << ", \"region\": " << JsonString(e.Region)
      << ", \"period\": " << JsonString(e.Period) << ", \"type\": " << JsonString(e.Type)
      << ", \"caption\": " << JsonString(e.Caption) << ", \"folder\": " << JsonString(e.Folder) << "}"
      << (last ? "\n" : ",\n");
}

}  // namespace

int RunList(HostContext& context, const std::vector<std::string>& arguments) {
  if (!arguments.empty()) return 2;
  IntfPtr<IRateBQs> catalogue = context.Library.Catalogue();
  const int32_t count = catalogue->Count();
  if (context.Json) context.Out << "[\n";
  for (int32_t i = 0; i < count; ++i) {
    IntfPtr<IRateBQ> entry;
    catalogue->Items(i, entry);
    EntryText text = Describe(i, *entry);
    if (context.Json)
      WriteJson(context.Out, text, i + 1 == count);
    else
      WriteLine(context.Out, text);
  }
  if (context.Json) context.Out << "]\n";
  return 0;
}
