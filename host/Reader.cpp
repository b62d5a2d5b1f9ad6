#include "host/Reader.h"

#include <stdexcept>

#include "host/TarvikLibrary.h"
#include "rtl/SysUtils.h"

IntfPtr<IRateBQ> EntryByBQID(HostContext& context, const std::string& bqid) {
  int32_t id = 0;
  if (!TryStrToInt(bqid, id)) throw std::runtime_error("not a BQID: " + bqid);
  IntfPtr<IRateBQ> entry;
  context.Library.Catalogue()->ItemByBQID(id, entry);
  if (!entry) throw std::runtime_error("no rate library with BQID " + bqid);
  return entry;
}

IntfPtr<IRateBQDBReader> OpenReader(HostContext& context, const std::string& bqid) {
  IntfPtr<IRateBQDBReader> reader;
  EntryByBQID(context, bqid)->OpenReader(reader);
  return reader;
}
