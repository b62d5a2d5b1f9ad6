// tarvik-host load BQID --password P (--codes C,... | --bq-keys K,... |
// --group-keys G,...) [--summary]: one retrieval; prints the model's result, or
// with --summary the row count of each table of "UserBQItemDB".
#include <ostream>
#include <stdexcept>

#include "host/HostCommand.h"
#include "tools/json/Json.h"
#include "host/Output.h"
#include "host/Reader.h"
#include "rtl/SysUtils.h"
#include "winport/Codepage.h"

namespace {

struct LoadRequest {
  std::string BQID, Password, KeyKind, Keys;
  bool Summary = false;
};

// False when the arguments do not make one request.
bool ParseRequest(const std::vector<std::string>& arguments, LoadRequest& request) {
  if (arguments.empty()) return false;
  request.BQID = arguments[0];
  bool hasPassword = false;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (a == "--summary") {
      request.Summary = true;
    } else if (i + 1 >= arguments.size()) {
      return false;
    } else if (a == "--password") {
      request.Password = arguments[++i];
      hasPassword = true;
    } else if ((a == "--codes" || a == "--bq-keys" || a == "--group-keys") && request.KeyKind.empty()) {
      request.KeyKind = a;
      request.Keys = arguments[++i];
    } else {
      return false;
    }
  }
  return hasPassword && !request.KeyKind.empty();
}

std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> items;
  if (list.empty()) return items;
  for (size_t start = 0;;) {
    size_t comma = list.find(',', start);
    items.push_back(list.substr(start, comma - start));
    if (comma == std::string::npos) return items;
    start = comma + 1;
  }
}

std::vector<int32_t> KeyList(const std::string& list) {
  std::vector<int32_t> keys;
  for (const std::string& item : SplitList(list)) {
    int32_t key = 0;
    if (!TryStrToInt(item, key)) throw std::runtime_error("not a key: " + item);
    keys.push_back(key);
  }
  return keys;
}

void WriteSummary(HostContext& context, const std::string& result) {
  const Json document = ParseJson(result);
  const Json* databases = JsonMember(document, "databases");
  const Json* tables = nullptr;
  if (databases && databases->is_array())
    for (const Json& database : *databases) {
      const Json* name = JsonMember(database, "name");
      if (name && *name == "UserBQItemDB") tables = JsonMember(database, "tables");
    }
  if (!tables || !tables->is_array()) throw std::runtime_error("the result holds no data set UserBQItemDB");
  if (context.Json) context.Out << "{";
  for (size_t i = 0; i < tables->size(); ++i) {
    const Json& table = (*tables)[i];
    const Json* name = JsonMember(table, "name");
    const Json* records = JsonMember(table, "records");
    const std::string tableName = name && name->is_string() ? name->get<std::string>() : "";
    const size_t rows = records && records->is_array() ? records->size() : 0;
    if (context.Json)
      context.Out << (i ? ", " : "") << JsonString(tableName) << ": " << rows;
    else
      context.Out << tableName << "\t" << rows << "\n";
  }
  if (context.Json) context.Out << "}\n";
}

}  // namespace

int RunLoad(HostContext& context, const std::vector<std::string>& arguments) {
  LoadRequest request;
  if (!ParseRequest(arguments, request)) return 2;
  IntfPtr<IRateBQDBReader> reader = OpenReader(context, request.BQID);
  reader->SetPassword(Utf8ToGbk(request.Password));
  std::string result;
  if (request.KeyKind == "--codes") {
    std::vector<std::string> codes;
    for (const std::string& code : SplitList(request.Keys)) codes.push_back(Utf8ToGbk(code));
    reader->LoadByCodes(codes, result);
  } else if (request.KeyKind == "--bq-keys") {
    reader->LoadByBQKeys(KeyList(request.Keys), result);
  } else {
    reader->LoadByGroupKeys(KeyList(request.Keys), result);
  }
  if (request.Summary)
    WriteSummary(context, result);
  else
    context.Out << result << (result.empty() || result.back() != '\n' ? "\n" : "");
  return 0;
}
