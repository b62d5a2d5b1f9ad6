#include "platform/QuarnClasses.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/KivException.h"
#include "rtl/InterfacedObject.h"
#include "tests/Variant.h"

namespace {

struct IProbe : IInterface {
  static constexpr TGUID IID = StringToGUID("{5B0E6C1A-3F52-4D0B-9C71-2E8A40D5F613}");
  virtual int32_t Value() = 0;
};

// A GUID that no class here lists.
constexpr TGUID kUnlisted = StringToGUID("{1B048041-1E81-4A41-8D30-73CCF78600AF}");

int destroyed = 0;
int32_t countInConstructor = 0;
int32_t countInDestructor = 0;

class TProbe : public Implements<TQuarnRefCntIntfObject, IProbe> {
 public:
  TProbe() {
    countInConstructor = RefCount();
    IntfPtr<IProbe> self(this);  // counted on top of the 1, then dropped
  }
  ~TProbe() override {
    countInDestructor = RefCount();
    IntfPtr<IProbe> self(this);  // must not destroy the object a second time
    ++destroyed;
  }
  int32_t Value() override { return 7; }
};

TEST(QuarnRefCntIntfObject, CountsFromOneDuringConstructionToZero) {
  destroyed = 0;
  TProbe* probe = New<TProbe>();
  EXPECT_EQ(countInConstructor, 1);
  EXPECT_EQ(probe->RefCount(), 0);
  probe->Free();
  EXPECT_EQ(destroyed, 1);
}

TEST(QuarnRefCntIntfObject, LastReleaseDestroysOnceWithCountParked) {
  destroyed = 0;
  TProbe* probe = New<TProbe>();
  EXPECT_EQ(probe->_AddRef(), 1);
  EXPECT_EQ(probe->_Release(), 0);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(countInDestructor, static_cast<int32_t>(0x80000001u));
}

TEST(QuarnRefCntIntfObject, FreeWhileReferencedRefusesAndKeepsObject) {
  destroyed = 0;
  TProbe* probe = New<TProbe>();
  IntfPtr<IProbe> held(probe);
  try {
    probe->Free();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), ByVariant<std::string>("对象[TProbe]引用计数[1]不为零", "Invalid pointer operation"));
    EXPECT_EQ(dynamic_cast<const EInvalidPointer*>(&e) != nullptr, kOlderVariant);
  }
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(held->Value(), 7);
  held.Clear();
  EXPECT_EQ(destroyed, 1);
}

TEST(KivException, RaiseCarriesMessageAndCode) {
  try {
    RaiseKivError("当前操作只能在装载期执行", 44);
    FAIL();
  } catch (const EKivException& e) {
    EXPECT_EQ(e.Message(), "当前操作只能在装载期执行");
    EXPECT_EQ(e.ErrCode(), 44);
  }
  try {
    RaiseKivErrorFmt("非法版本号[%s]，版本号范围必须为[0,255]，且不允许带Build号", -1, std::string("1.2.3.4"));
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "非法版本号[1.2.3.4]，版本号范围必须为[0,255]，且不允许带Build号");
    ASSERT_NE(dynamic_cast<const EKivException*>(&e), nullptr);
    EXPECT_EQ(dynamic_cast<const EKivException&>(e).ErrCode(), -1);
  }
}

TEST(QuarnRefCntIntfObject, QueriesAnswerListedInterfacesOnly) {
  IntfPtr<IProbe> probe(New<TProbe>());
  IInterface* base = nullptr;
  EXPECT_EQ(probe->QueryInterface(IInterface::IID, reinterpret_cast<void**>(&base)), S_OK);
  EXPECT_EQ(static_cast<TProbe*>(probe.get())->RefCount(), 2);
  base->_Release();
  void* other = &other;
  EXPECT_EQ(probe->QueryInterface(kUnlisted, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
}

#ifdef TARVIK_OLDER_VARIANT
// A holder of an interface reaches the object behind it, without a reference.
TEST(QuarnRefCntIntfObject, ImplementingObjectIsTheObjectItself) {
  destroyed = 0;
  TProbe* object = New<TProbe>();
  IntfPtr<IProbe> probe(object);
  void* found = nullptr;
  EXPECT_EQ(probe->QueryInterface(IID_ImplementingObject, &found), S_OK);
  EXPECT_EQ(found, static_cast<TQuarnRefCntIntfObject*>(object));
  EXPECT_EQ(object->RefCount(), 1);
  probe.Clear();
  EXPECT_EQ(destroyed, 1);
}
#else
TEST(QuarnRefCntIntfObject, ConcurrentReferencesDestroyOnce) {
  destroyed = 0;
  TProbe* probe = New<TProbe>();
  probe->_AddRef();
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([probe] {
      for (int i = 0; i < 20000; ++i) {
        probe->_AddRef();
        probe->_Release();
      }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(probe->RefCount(), 1);
  EXPECT_EQ(probe->_Release(), 0);
  EXPECT_EQ(destroyed, 1);
}

// Only the older variant answers the implementing object.
TEST(QuarnRefCntIntfObject, ImplementingObjectIsNoInterface) {
  IntfPtr<IProbe> probe(New<TProbe>());
  void* found = &found;
  EXPECT_EQ(probe->QueryInterface(StringToGUID("{83751180-9596-46CC-BB49-A9E9DEF8C8C4}"), &found), E_NOINTERFACE);
  EXPECT_EQ(found, nullptr);
}
#endif

}  // namespace
