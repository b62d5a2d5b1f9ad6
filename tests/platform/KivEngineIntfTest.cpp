#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "platform/KivEngineIntf.h"
#include "tests/Variant.h"

namespace {

// The vtable slot of a virtual function, from its member pointer: under the
// Itanium C++ ABI the pointer holds 1 + the byte offset of the slot.
template <class F>
int SlotOf(F function) {
  struct Representation {
    uintptr_t Ptr;
    ptrdiff_t Adjust;
  } rep;
  static_assert(sizeof(F) == sizeof(Representation));
  std::memcpy(&rep, &function, sizeof rep);
  return static_cast<int>((rep.Ptr - 1) / sizeof(void*));
}

// The slot in this build's revision of the interfaces.
constexpr int Slot(int current, int older) { return ByVariant(current, older); }

// An interface followed by one more slot: where the interface's own slots end.
template <class Intf>
struct Extended : Intf {
  virtual void Next() = 0;
};

TEST(KivEngineIntf, OperationsStandAtTheirSlots) {
  EXPECT_EQ(SlotOf(&IKivEngine::CreateModel), 3);
  EXPECT_EQ(SlotOf(&IKivEngine::Reserved4), 4);
  EXPECT_EQ(SlotOf(&IKivEngine::GetLoader), 5);
  EXPECT_EQ(SlotOf(&IKivEngine::Reserved8), 8);
#ifndef TARVIK_OLDER_VARIANT
  EXPECT_EQ(SlotOf(&IKivEngine::Reserved9), 9);
  EXPECT_EQ(SlotOf(&IKivEngine::GetModelParam), 10);
  EXPECT_EQ(SlotOf(&IKivEngine::Reserved11), 11);
  EXPECT_EQ(SlotOf(&IKivRecord::AllowsFieldLoad), 8);
#endif

  EXPECT_EQ(SlotOf(&IKivModelLoader::LoadFile), 5);
  EXPECT_EQ(SlotOf(&IKivModel::DatabaseByName), 18);
  EXPECT_EQ(SlotOf(&IKivModel::MakeResult), Slot(23, 22));
  EXPECT_EQ(SlotOf(&IKivModel::SetLoadState), Slot(73, 65));
  EXPECT_EQ(SlotOf(&IKivDatabase::Tables), Slot(19, 18));
  EXPECT_EQ(SlotOf(&IKivTables::TableByName), 15);

  EXPECT_EQ(SlotOf(&IKivTable::NewRecord), Slot(8, 10));
  EXPECT_EQ(SlotOf(&IKivTable::AppendRecord), Slot(11, 13));
  EXPECT_EQ(SlotOf(&IKivTable::ClearRecords), Slot(17, 19));
  EXPECT_EQ(SlotOf(&IKivTable::Locate), Slot(18, 20));
  EXPECT_EQ(SlotOf(&IKivTable::FindByKey), Slot(27, 28));
  EXPECT_EQ(SlotOf(&IKivTable::RecordCount), Slot(48, 47));
  EXPECT_EQ(SlotOf(&IKivTable::RecordByIndex), Slot(49, 48));
  EXPECT_EQ(SlotOf(&IKivTable::LoadState), Slot(54, 52));
  EXPECT_EQ(SlotOf(&IKivTableStreamLoader::LoadFromStream), 3);

  EXPECT_EQ(SlotOf(&IKivRecord::Table), Slot(19, 17));
  EXPECT_EQ(SlotOf(&IKivRecord::RecordIndex), Slot(20, 18));
  EXPECT_EQ(SlotOf(&IKivRecord::Key), Slot(21, 19));
  EXPECT_EQ(SlotOf(&IKivRecord::FieldCount), Slot(23, 21));
  EXPECT_EQ(SlotOf(&IKivRecord::Fields), Slot(24, 22));
  EXPECT_EQ(SlotOf(&IKivRecord::FieldAsInteger), Slot(30, 26));

  EXPECT_EQ(SlotOf(&IKivField::OwnerRecord), Slot(13, 11));
  EXPECT_EQ(SlotOf(&IKivField::DataType), Slot(17, 15));
  EXPECT_EQ(SlotOf(&IKivField::FieldKind), Slot(18, 16));
  EXPECT_EQ(SlotOf(&IKivField::SetAsString), Slot(22, 20));
  EXPECT_EQ(SlotOf(&IKivField::SetAsFloat), Slot(26, 22));
  EXPECT_EQ(SlotOf(&IKivField::SetAsInteger), Slot(28, 24));
  EXPECT_EQ(SlotOf(&IKivField::SetAsBoolean), Slot(30, 26));
  EXPECT_EQ(SlotOf(&IKivField::NestedTable), Slot(31, 27));
  EXPECT_EQ(SlotOf(&IKivField::SetText), Slot(35, 31));
  EXPECT_EQ(SlotOf(&IKivField::SetFlagBit3), Slot(37, 33));
  EXPECT_EQ(SlotOf(&IKivField::SetIsNull), Slot(39, 35));
  EXPECT_EQ(SlotOf(&IKivField::SetFlagBit1), Slot(41, 37));
  EXPECT_EQ(SlotOf(&IKivField::SetFlagBit5), Slot(44, 40));
}

// The older revision's interfaces have a known number of own slots, past
// their last operation; the current ones end at their last operation.
TEST(KivEngineIntf, OwnSlotsEndWhereTheRevisionSays) {
  EXPECT_EQ(SlotOf(&Extended<IKivEngine>::Next), Slot(12, 3 + 6));
  EXPECT_EQ(SlotOf(&Extended<IKivModel>::Next), Slot(74, 3 + 83));
  EXPECT_EQ(SlotOf(&Extended<IKivTable>::Next), Slot(55, 3 + 67));
  EXPECT_EQ(SlotOf(&Extended<IKivRecord>::Next), Slot(31, 3 + 56));
  EXPECT_EQ(SlotOf(&Extended<IKivField>::Next), Slot(45, 3 + 39));
}

TEST(KivEngineIntf, ClassNameCarriesModuleAndProcessAtFullWidth) {
  HMODULE module = reinterpret_cast<HMODULE>(uintptr_t{0x10000000});
  std::string name = KivEngineClassName(module, "quarnsimpleplatform");
  EXPECT_EQ(name, Format("com.velmora.shares.quarnsimpleplatform.0000000010000000%.8X", GetCurrentProcessId()));
}

}  // namespace
