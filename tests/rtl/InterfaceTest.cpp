#include <gtest/gtest.h>

#include "rtl/Exceptions.h"
#include "rtl/InterfacedObject.h"

namespace {

struct IProbe : IInterface {
  static constexpr TGUID IID = StringToGUID("{11111111-2222-3333-4444-555555555555}");
  virtual int32_t Value() = 0;
};
struct IOther : IInterface {
  static constexpr TGUID IID = StringToGUID("{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}");
};

int destroyed = 0;

class TProbe : public Implements<TInterfacedObject, IProbe> {
 public:
  TProbe() {
    // A reference taken and dropped while constructing must not free the object.
    IntfPtr<IProbe> self(this);
  }
  ~TProbe() override { ++destroyed; }
  int32_t Value() override { return 42; }
};

TEST(InterfacedObject, CountsFromZeroAndFreesOnLastRelease) {
  destroyed = 0;
  TProbe* probe = New<TProbe>();
  EXPECT_EQ(probe->RefCount(), 0);
  {
    IntfPtr<IProbe> a(probe);
    IntfPtr<IProbe> b = a;
    EXPECT_EQ(probe->RefCount(), 2);
    EXPECT_EQ(b->Value(), 42);
  }
  EXPECT_EQ(destroyed, 1);
}

TEST(InterfacedObject, QueryAnswersOwnAndBaseInterfaceOnly) {
  IntfPtr<IProbe> probe(New<TProbe>());
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(probe->QueryInterface(IOther::IID, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  IntfPtr<IInterface> base = IntfPtr<IInterface>::Query(probe);
  ASSERT_TRUE(base);
  EXPECT_EQ(IntfPtr<IProbe>::Query(base)->Value(), 42);
}

TEST(InterfacedObject, FreeWhileReferencedRefuses) {
  TProbe* probe = New<TProbe>();
  IntfPtr<IProbe> held(probe);
  try {
    probe->Free();
    FAIL();
  } catch (const EInvalidPointer& e) {
    EXPECT_EQ(e.Message(), "Invalid pointer operation");
  }
  EXPECT_EQ(held->Value(), 42);
}

// Code run by a destructor may hand the object out and drop it again.
class TSelfReferencingProbe : public Implements<TInterfacedObject, IProbe> {
 public:
  ~TSelfReferencingProbe() override {
    IntfPtr<IProbe> self(this);
    ++destroyed;
  }
  int32_t Value() override { return 7; }
};

TEST(InterfacedObject, ReferenceTakenWhileDestroyingDoesNotFreeAgain) {
  destroyed = 0;
  IntfPtr<IProbe>(New<TSelfReferencingProbe>()).Clear();
  EXPECT_EQ(destroyed, 1);
}

TEST(Guid, TextRoundTrip) {
  constexpr TGUID g = StringToGUID("{3CA90BC7-7167-4A3F-8297-991883537AC0}");
  EXPECT_EQ(GUIDToString(g), "{3CA90BC7-7167-4A3F-8297-991883537AC0}");
  EXPECT_EQ(g.D4[0], 0x82);
}

}  // namespace
