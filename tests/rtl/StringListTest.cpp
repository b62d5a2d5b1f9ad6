#include <gtest/gtest.h>

#include "rtl/Exceptions.h"
#include "rtl/StringList.h"

namespace {

TEST(StringList, IndexErrorsAndCaseInsensitiveLookup) {
  TStringList list;
  int dummy = 0;
  list.AddObject("/Opt/KivEngine.dll", &dummy);
  list.Add("second");
  EXPECT_EQ(list.IndexOf("/opt/kivengine.DLL"), 0);
  EXPECT_EQ(list.IndexOf("third"), -1);
  EXPECT_EQ(list.Objects(0), &dummy);
  try {
    list.Strings(-1);
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (-1)");
  }
  EXPECT_THROW(list.Objects(2), EStringListError);
}

}  // namespace
