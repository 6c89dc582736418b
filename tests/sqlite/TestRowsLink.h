// A record set as the connection sees it, for tests: keeps the fetched rows as byte blocks and
// reads their slots back.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "sqlite/NyMemoryStream.h"
#include "sqlite/NySQLite3DB.h"

namespace nytest {

using namespace ny;

class RowsLink : public TNyQueryLink {
 public:
  bool typeLess = false;
  bool sqliteDate = true;
  std::vector<std::string> blobParams;
  std::vector<TNyFieldDef> defs;
  int declared = 0;
  std::vector<uint8_t> buffer;
  std::vector<std::vector<uint8_t>> rows;
  int disconnecting = 0;
  int destroyed = 0;

  ~RowsLink() override {
    for (auto& row : rows)
      for (size_t i = 0; i < defs.size(); ++i)
        if (IsBlobType(defs[i].DataType)) delete Stream(row, i);
  }
  bool TypeLess() const override { return typeLess; }
  bool SQLiteDateFormat() const override { return sqliteDate; }
  std::vector<std::string_view> BlobParamValues() const override {
    return {blobParams.begin(), blobParams.end()};
  }
  void SetFieldDefs(std::vector<TNyFieldDef> d, int declaredRowSize) override {
    defs = std::move(d);
    declared = declaredRowSize;
  }
  const std::vector<TNyFieldDef>& FieldDefs() const override { return defs; }
  int DeclaredRowSize() const override { return declared; }
  std::vector<uint8_t>& FetchBuffer() override { return buffer; }
  void AddFetchedRow(const uint8_t* row) override {
    rows.emplace_back(row, row + std::max(FetchRowSize(defs), size_t(declared) + 5));
  }
  void ConnectionDisconnecting(TNySQLite3DB&) override { ++disconnecting; }
  void ConnectionDestroyed(TNySQLite3DB&) override { ++destroyed; }

  const uint8_t* Slot(size_t row, size_t field) const {
    return rows[row].data() + defs[field].Offset;
  }
  std::string Text(size_t row, size_t field) const {
    return reinterpret_cast<const char*>(Slot(row, field));
  }
  // A slot's has-value byte, and the value after it.
  bool Has(size_t row, size_t field) const { return Slot(row, field)[0] != 0; }
  int64_t Int(size_t row, size_t field) const {
    int64_t v;
    std::memcpy(&v, Slot(row, field) + 1, sizeof v);
    return v;
  }
  double Float(size_t row, size_t field) const {
    double v;
    std::memcpy(&v, Slot(row, field) + 1, sizeof v);
    return v;
  }
  TNyMemoryStream* Stream(const std::vector<uint8_t>& row, size_t field) const {
    TNyMemoryStream* s;
    std::memcpy(&s, row.data() + defs[field].Offset, sizeof s);
    return s;
  }
};

}  // namespace nytest
