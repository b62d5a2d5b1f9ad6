#include <gtest/gtest.h>

#include "QuarnCommon/Source/ModuleInstance.h"
#include "QuarnCommon/Source/QuarnGridThemes.h"
#include "QuarnCommon/Source/WideControls.h"
#include "rtl/Exceptions.h"
#include "tests/Ink.h"
#include "tests/QuarnCommon/Atoms.h"
#include "tests/QuarnCommon/GdiRecorder.h"
#include "winport/WindowMessage.h"

namespace {

using Calls = std::vector<std::string>;

struct Counted : TComponent {
  explicit Counted(int* freed) : Freed(freed) {}
  ~Counted() override { ++*Freed; }
  int* Freed;
};

TEST(WideControls, AtomNamesTheProcessTheModuleAndTheThread) {
  EXPECT_EQ(WindowAtomName(0x1A2C), "TarvikRtl00001A2C");
  // The module handle in as many digits as a pointer has: 8 in the 32-bit library.
  const std::string handle = sizeof(HMODULE) == 4 ? "10000000" : "0000000010000000";
  EXPECT_EQ(ControlAtomName(reinterpret_cast<HMODULE>(0x10000000), 0xBEEF), "ControlOfs" + handle + "0000BEEF");
}

TEST(WideControls, RaiseTheCountsOfAtomsAddedBeforeAndDropThemAgain) {
  const std::string window = WindowAtomName(GetCurrentProcessId());
  const std::string control = ControlAtomName(HInstance(), GetCurrentThreadId());
  const ATOM windowAtom = GlobalAddAtomA(window.c_str());
  GlobalAddAtomA(control.c_str());

  recorder::Start();
  WideControlsInitialize();
  Calls calls = recorder::Stop();
  EXPECT_EQ(calls, (Calls{"GetVersionExA", "RegisterWindowMessageA TntUnicodeVcl.DestroyWindow",
                          "GlobalAddAtomA " + window, "GlobalAddAtomA " + control}));
  EXPECT_EQ(WindowAtom, windowAtom);
  EXPECT_EQ(std::string(WindowAtomString), window);
  EXPECT_EQ(std::string(ControlAtomString), control);
  EXPECT_TRUE(Win32PlatformIsUnicode && Win32PlatformIsXP && Win32PlatformIs2003 && Win32PlatformIsVista);
  EXPECT_EQ(WM_DESTROYWINDOW, RegisterWindowMessageA("TntUnicodeVcl.DestroyWindow"));

  int freed = 0;
  Counted* owned = New<Counted>(&freed);
  Counted* referenced = New<Counted>(&freed);
  OwnedComponents->Add(owned);
  ReferencedComponents->Add(referenced);

  recorder::Start();
  WideControlsFinalize();
  calls = recorder::Stop();
  EXPECT_EQ(calls, (Calls{"GlobalDeleteAtom " + control, "GlobalDeleteAtom " + window}));
  EXPECT_EQ(freed, 1);  // the owning list freed its component, the other did not
  referenced->Free();
  EXPECT_EQ(OwnedComponents, nullptr);
  EXPECT_EQ(ReferencedComponents, nullptr);
  EXPECT_STREQ(WindowAtomString, "");
  EXPECT_STREQ(ControlAtomString, "");
  EXPECT_EQ(DropAtom(window), 1);
  EXPECT_EQ(DropAtom(control), 1);
  // The window system keeps the message name.
  EXPECT_EQ(RegisterWindowMessageA("TntUnicodeVcl.DestroyWindow"), WM_DESTROYWINDOW);
}

TEST(WideControls, AnAtomThatCannotBeAddedRaisesTheLastError) {
  const std::string window = WindowAtomName(GetCurrentProcessId());
  {
    FullAtomTable table(1);  // room for the first atom only
    try {
      WideControlsInitialize();
      ADD_FAILURE();
    } catch (const EOSError& e) {
      EXPECT_EQ(e.ErrorCode, 8u);
      EXPECT_EQ(e.Message(), "System Error.  Code: 8.\r\n" + SysErrorMessage(8));
    }
    EXPECT_NE(WindowAtom, 0);
    EXPECT_EQ(ControlAtom, 0);
    WideControlsFinalize();
  }
  EXPECT_EQ(DropAtom(window), 0);
}

}  // namespace

// Reaches the fields of the theme services, to watch its destructor.
struct TQuarnGridThemeServicesProbe {
  static TObject*& Owned1(TQuarnGridThemeServices* s) { return s->FOwned1; }
  static TObject*& Owned2(TQuarnGridThemeServices* s) { return s->FOwned2; }
  static HGDIOBJ& GdiObject(TQuarnGridThemeServices* s) { return s->FGdiObject; }
};

namespace {

using Probe = TQuarnGridThemeServicesProbe;

// An owned object that notes, when it is freed, what of its owner is gone.
struct Witness : TObject {
  Witness(TQuarnGridThemeServices* owner, TObject*& field, std::vector<std::string>& log, std::string name)
      : Owner(owner), Field(field), Log(log), Name(std::move(name)) {}
  ~Witness() override {
    Log.push_back(Name + (Field == nullptr ? " field cleared" : " field set") +
                  (Probe::GdiObject(Owner) == nullptr ? ", gdi gone" : ", gdi there") +
                  (Probe::Owned2(Owner) == nullptr ? ", second gone" : ", second there"));
  }
  TQuarnGridThemeServices* Owner;
  TObject*& Field;
  std::vector<std::string>& Log;
  std::string Name;
};

TEST(QuarnGridThemes, EveryConstructionYieldsTheOneInstance) {
  QuarnGridThemesInitialize();
  EXPECT_EQ(TQuarnGridThemeServices::Instance(), nullptr);
  TQuarnGridThemeServices* first = TQuarnGridThemeServices::NewInstance();
  EXPECT_EQ(TQuarnGridThemeServices::NewInstance(), first);
  EXPECT_EQ(TQuarnGridThemeServices::Instance(), first);
  first->Free();
  EXPECT_EQ(TQuarnGridThemeServices::Instance(), nullptr);
  TQuarnGridThemeServices* second = TQuarnGridThemeServices::NewInstance();
  EXPECT_EQ(TQuarnGridThemeServices::Instance(), second);
  TQuarnGridThemeServices::ReleaseInstance();
  EXPECT_EQ(TQuarnGridThemeServices::Instance(), nullptr);
  TQuarnGridThemeServices::ReleaseInstance();  // nothing left to free
}

TEST(QuarnGridThemes, AClearedInstanceFreedLaterLeavesTheNewOneInPlace) {
  TQuarnGridThemeServices* old = TQuarnGridThemeServices::NewInstance();
  TQuarnGridThemeServices::ClearInstance();
  TQuarnGridThemeServices* current = TQuarnGridThemeServices::NewInstance();
  EXPECT_NE(current, old);
  old->Free();
  EXPECT_EQ(TQuarnGridThemeServices::Instance(), current);
  QuarnGridThemesFinalize();
  EXPECT_EQ(TQuarnGridThemeServices::Instance(), nullptr);
}

TEST(QuarnGridThemes, DestructorDeletesTheGdiObjectThenFreesTheOwnedObjectsInOrder) {
  const DWORD live = LiveGdiObjects();
  TQuarnGridThemeServices* services = TQuarnGridThemeServices::NewInstance();
  std::vector<std::string> log;
  for (TObject** field : {&Probe::Owned1(services), &Probe::Owned2(services)}) {
    FreeAndNil(*field);
    *field = New<Witness>(services, *field, log, field == &Probe::Owned1(services) ? "first" : "second");
  }
  Probe::GdiObject(services) = CreateSolidBrush(0);
  if (GdiObjectsCounted()) {
    EXPECT_EQ(LiveGdiObjects(), live + 1);
  }
  TQuarnGridThemeServices::ReleaseInstance();
  EXPECT_EQ(log, (std::vector<std::string>{"first field cleared, gdi gone, second there",
                                           "second field cleared, gdi gone, second gone"}));
  EXPECT_EQ(LiveGdiObjects(), live);
}

}  // namespace
