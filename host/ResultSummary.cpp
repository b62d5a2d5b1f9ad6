#include "host/ResultSummary.h"

#include <nlohmann/json.hpp>

#include <stdexcept>

namespace {

using TableRows = std::vector<std::pair<std::string, size_t>>;
using Json = nlohmann::json;

[[noreturn]] void NotAResult() { throw std::runtime_error("the result is not valid JSON"); }

// Follows the parser's events through the result's shape: one frame for each
// open object or array, saying what it is. Only the frames on the road to the
// records keep member names, names and counts.
class RowCounter : public nlohmann::json_sax<Json> {
 public:
  TableRows Found;
  bool HasDataSet = false;

  bool null() override { return Scalar(); }
  bool boolean(bool) override { return Scalar(); }
  bool number_integer(number_integer_t) override { return Scalar(); }
  bool number_unsigned(number_unsigned_t) override { return Scalar(); }
  bool number_float(number_float_t, const string_t&) override { return Scalar(); }
  bool binary(binary_t&) override { return Scalar(); }
  bool string(string_t& text) override {
    if (Value(Kind::String) == Role::Name) FOpen.back().Name = std::move(text);
    return true;
  }
  bool start_object(std::size_t) override { return Open(Kind::Object); }
  bool start_array(std::size_t) override { return Open(Kind::Array); }
  bool key(string_t& name) override {
    if (FOpen.back().What != Role::Other) FOpen.back().Key = std::move(name);
    return true;
  }
  bool end_object() override { return Close(); }
  bool end_array() override { return Close(); }
  bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception&) override {
    throw std::runtime_error("the result is not valid JSON (at byte " + std::to_string(position) + ")");
  }

 private:
  enum class Kind { Object, Array, String, Scalar };
  enum class Role { Other, Root, DataSets, DataSet, Tables, Table, Records, Record, Name };

  struct Frame {
    Role What = Role::Other;
    std::string Key;   // of the member being read, in an object on the road
    std::string Name;  // of a data set or table
    size_t Rows = 0;   // of a table
    TableRows Tables;  // of a data set
  };

  // What the value that begins now is, from where it stands.
  Role Expected() const {
    if (FOpen.empty()) return Role::Root;
    const Frame& in = FOpen.back();
    switch (in.What) {
      case Role::Root: return in.Key == "databases" ? Role::DataSets : Role::Other;
      case Role::DataSets: return Role::DataSet;
      case Role::DataSet: return in.Key == "tables" ? Role::Tables : in.Key == "name" ? Role::Name : Role::Other;
      case Role::Tables: return Role::Table;
      case Role::Table: return in.Key == "records" ? Role::Records : in.Key == "name" ? Role::Name : Role::Other;
      case Role::Records: return Role::Record;
      default: return Role::Other;
    }
  }

  // Checks that a value of the kind may stand here, counts a record, and
  // answers the value's role.
  Role Value(Kind kind) {
    const Role role = Expected();
    switch (role) {
      case Role::Root: case Role::DataSet: case Role::Table:
        if (kind != Kind::Object) NotAResult();
        break;
      case Role::DataSets: case Role::Tables: case Role::Records:
        if (kind != Kind::Array) NotAResult();
        break;
      case Role::Name:
        if (kind != Kind::String) NotAResult();
        break;
      case Role::Record:
        ++FOpen[FOpen.size() - 2].Rows;  // the table holding the records
        break;
      case Role::Other:
        break;
    }
    return role;
  }

  bool Scalar() {
    Value(Kind::Scalar);
    return true;
  }

  bool Open(Kind kind) {
    const Role role = Value(kind);
    FOpen.emplace_back().What = role == Role::Record ? Role::Other : role;
    return true;
  }

  bool Close() {
    Frame done = std::move(FOpen.back());
    FOpen.pop_back();
    if (done.What == Role::Table) {
      FOpen[FOpen.size() - 2].Tables.emplace_back(std::move(done.Name), done.Rows);  // the data set's
    } else if (done.What == Role::DataSet && done.Name == "UserBQItemDB") {
      Found = std::move(done.Tables);
      HasDataSet = true;
    }
    return true;
  }

  std::vector<Frame> FOpen;
};

}  // namespace

TableRows CountResultRows(std::string_view json) {
  RowCounter counter;
  Json::sax_parse(json.begin(), json.end(), &counter);
  if (!counter.HasDataSet) throw std::runtime_error("the result holds no data set UserBQItemDB");
  return std::move(counter.Found);
}
