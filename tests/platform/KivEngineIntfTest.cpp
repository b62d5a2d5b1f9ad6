#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "platform/KivEngineIntf.h"

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

TEST(KivEngineIntf, OperationsStandAtTheirSlots) {
  EXPECT_EQ(SlotOf(&IKivEngine::CreateModel), 3);
  EXPECT_EQ(SlotOf(&IKivEngine::Reserved4), 4);
  EXPECT_EQ(SlotOf(&IKivEngine::GetLoader), 5);
  EXPECT_EQ(SlotOf(&IKivEngine::Reserved9), 9);
  EXPECT_EQ(SlotOf(&IKivEngine::GetModelParam), 10);
  EXPECT_EQ(SlotOf(&IKivEngine::Reserved11), 11);

  EXPECT_EQ(SlotOf(&IKivModelLoader::LoadFile), 5);
  EXPECT_EQ(SlotOf(&IKivModel::DatabaseByName), 18);
  EXPECT_EQ(SlotOf(&IKivModel::MakeResult), 23);
  EXPECT_EQ(SlotOf(&IKivModel::SetLoadState), 73);
  EXPECT_EQ(SlotOf(&IKivDatabase::Tables), 19);
  EXPECT_EQ(SlotOf(&IKivTables::TableByName), 15);

  EXPECT_EQ(SlotOf(&IKivTable::NewRecord), 8);
  EXPECT_EQ(SlotOf(&IKivTable::AppendRecord), 11);
  EXPECT_EQ(SlotOf(&IKivTable::ClearRecords), 17);
  EXPECT_EQ(SlotOf(&IKivTable::Locate), 18);
  EXPECT_EQ(SlotOf(&IKivTable::FindByKey), 27);
  EXPECT_EQ(SlotOf(&IKivTable::RecordCount), 48);
  EXPECT_EQ(SlotOf(&IKivTable::RecordByIndex), 49);
  EXPECT_EQ(SlotOf(&IKivTable::LoadState), 54);
  EXPECT_EQ(SlotOf(&IKivTableStreamLoader::LoadFromStream), 3);

  EXPECT_EQ(SlotOf(&IKivRecord::AllowsFieldLoad), 8);
  EXPECT_EQ(SlotOf(&IKivRecord::Table), 19);
  EXPECT_EQ(SlotOf(&IKivRecord::RecordIndex), 20);
  EXPECT_EQ(SlotOf(&IKivRecord::Key), 21);
  EXPECT_EQ(SlotOf(&IKivRecord::FieldCount), 23);
  EXPECT_EQ(SlotOf(&IKivRecord::Fields), 24);
  EXPECT_EQ(SlotOf(&IKivRecord::FieldAsInteger), 30);

  EXPECT_EQ(SlotOf(&IKivField::OwnerRecord), 13);
  EXPECT_EQ(SlotOf(&IKivField::DataType), 17);
  EXPECT_EQ(SlotOf(&IKivField::FieldKind), 18);
  EXPECT_EQ(SlotOf(&IKivField::SetAsString), 22);
  EXPECT_EQ(SlotOf(&IKivField::SetAsFloat), 26);
  EXPECT_EQ(SlotOf(&IKivField::SetAsInteger), 28);
  EXPECT_EQ(SlotOf(&IKivField::SetAsBoolean), 30);
  EXPECT_EQ(SlotOf(&IKivField::NestedTable), 31);
  EXPECT_EQ(SlotOf(&IKivField::SetText), 35);
  EXPECT_EQ(SlotOf(&IKivField::SetFlagBit3), 37);
  EXPECT_EQ(SlotOf(&IKivField::SetIsNull), 39);
  EXPECT_EQ(SlotOf(&IKivField::SetFlagBit1), 41);
  EXPECT_EQ(SlotOf(&IKivField::SetFlagBit5), 44);
}

TEST(KivEngineIntf, ClassNameCarriesModuleAndProcessAtFullWidth) {
  HMODULE module = reinterpret_cast<HMODULE>(uintptr_t{0x10000000});
  std::string name = KivEngineClassName(module, "quarnsimpleplatform");
  EXPECT_EQ(name, Format("com.velmora.shares.quarnsimpleplatform.0000000010000000%.8X", GetCurrentProcessId()));
}

}  // namespace
