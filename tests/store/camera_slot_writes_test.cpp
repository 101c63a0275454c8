#include "store/camera_slot_writes.h"

#include <gtest/gtest.h>

#include "store/engine.h"
#include "store/transaction.h"
#include "store_test.h"

namespace orlentis::testing {
namespace {

// A name that an array literal or a statement's text would have to escape.
const std::string kAwkwardName = "Gate \"A\", {north} \\ O'Brien's \xc3\xa9";

class CameraSlotWritesTest : public EachEngineTest {
 protected:
  void AddSlot(std::int32_t site, std::int32_t index, const std::string& name) {
    CameraTable slots(Session());
    CameraRow& row = slots.AddNew();
    row.nSiteID = site;
    row.nIndex = index;
    row.bExistence = 1;
    row.strName = name;
    ASSERT_TRUE(slots.Update());
  }
  static CameraRow Described(std::int32_t site, std::int32_t index, const std::string& name) {
    return CameraRow{site, index, 1, 3, "704x480", name};
  }
  std::vector<CameraRow> Slots(std::int32_t site) {
    CameraTable slots(Session());
    slots.OpenBySite(site);
    return slots.Rows();
  }
};

// Inside a group the writes may be gathered, but what is stored, and what the group's own
// reads see, is as if each had been written when it came: a new set after a described slot
// marks that slot absent again, the same slot twice keeps the later description, a slot
// without a row gets one, and of two rows of one slot only the first is described.
TEST_P(CameraSlotWritesTest, WritesOfAGroupLandAsIfWrittenInTheOrderTheyCame) {
  for (const std::int32_t index : {0, 1, 2}) AddSlot(7, index, "old");
  AddSlot(9, 0, "first row");
  AddSlot(9, 0, "second row");
  {
    GroupTransaction group(Session());
    WriteCameraSlot(Session(), false, Described(7, 0, kAwkwardName));
    WriteCameraSlot(Session(), false, Described(8, 3, "new slot"));
    WriteCameraSlot(Session(), false, Described(9, 0, "described"));
    EXPECT_EQ(Slots(7)[0].strName, kAwkwardName);
    WriteCameraSlot(Session(), true, Described(7, 1, "in the new set"));
    WriteCameraSlot(Session(), false, Described(7, 1, "described again"));
    group.Commit();
  }
  EXPECT_FALSE(IsInTransaction(Session()));
  const auto site7 = Slots(7);
  ASSERT_EQ(site7.size(), 3u);
  EXPECT_EQ(site7[0].bExistence, 0);
  EXPECT_EQ(site7[0].strName, kAwkwardName);
  EXPECT_EQ(site7[1].bExistence, 1);
  EXPECT_EQ(site7[1].nStateFlag, 3);
  EXPECT_EQ(site7[1].strName, "described again");
  EXPECT_EQ(site7[2].bExistence, 0);
  const auto site8 = Slots(8);
  ASSERT_EQ(site8.size(), 1u);
  EXPECT_EQ(site8[0].strName, "new slot");
  EXPECT_EQ(site8[0].strResolution, "704x480");
  const auto site9 = Slots(9);
  ASSERT_EQ(site9.size(), 2u);
  EXPECT_EQ(site9[0].strName, "described");
  EXPECT_EQ(site9[1].strName, "second row");
}

// What a rolled-back group held is never written, not even by the next group on the session.
TEST_P(CameraSlotWritesTest, ARolledBackGroupLeavesNoCameraWrite) {
  AddSlot(7, 0, "old");
  {
    GroupTransaction group(Session());
    WriteCameraSlot(Session(), true, Described(7, 0, "rolled back"));
    WriteCameraSlot(Session(), false, Described(8, 0, "rolled back"));
  }
  {
    GroupTransaction group(Session());
    WriteCameraSlot(Session(), false, Described(9, 0, "kept"));
    group.Commit();
  }
  EXPECT_FALSE(IsInTransaction(Session()));
  EXPECT_EQ(Slots(7)[0].strName, "old");
  EXPECT_EQ(Slots(7)[0].bExistence, 1);
  EXPECT_TRUE(Slots(8).empty());
  EXPECT_EQ(Slots(9).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Engines, CameraSlotWritesTest, EachEngine(), EngineName);

}  // namespace
}  // namespace orlentis::testing
