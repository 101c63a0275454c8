#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "directory/unwritten_site_writes.h"

namespace orlentis::testing {
namespace {

using Kind = UnwrittenInstanceWrites::Write::Kind;

CameraAnnouncement Named(std::int32_t index, const std::string& name) {
  return {index, true, 0, "640x480", name};
}

// What is kept stands for what was sent: a camera's later state, and a camera reset that
// leaves the cameras before it absent.
TEST(UnwrittenWritesTest, ASiteKeepsTheNewestStateAndTheResetsEffect) {
  UnwrittenSiteWrites site;
  EXPECT_TRUE(site.Empty());
  site.Camera(false, Named(0, "a"));
  site.Camera(false, Named(1, "b"));
  UnwrittenSiteWrites later;
  later.CheckIn();
  later.Camera(true, Named(1, "b2"));
  site.Then(later);
  EXPECT_TRUE(site.ChecksIn());
  EXPECT_TRUE(site.StartsNewSet());
  ASSERT_EQ(site.Cameras().size(), 2u);
  EXPECT_FALSE(site.Cameras().at(0).exists);
  EXPECT_TRUE(site.Cameras().at(1).exists);
  EXPECT_EQ(site.Cameras().at(1).name, "b2");
}

// A host's writes keep their order; a later write replaces only what it stands for, and a
// camera update never moves across its instance's check-out.
TEST(UnwrittenWritesTest, AHostsWritesKeepTheirOrderAndDropWhatLaterOnesStandFor) {
  UnwrittenInstanceWrites host;
  host.Camera(1, Named(0, "early"));
  host.CheckIn(1, {"10.0.0.1", "Dock", 9001}, {Named(0, "a")});
  host.CheckIn(2, {"10.0.0.1", "Gate", 9002}, {});
  host.Camera(1, Named(0, "x"));
  host.CheckOut(1);
  host.Camera(1, Named(0, "y"));
  host.Camera(1, Named(0, "z"));
  host.CheckOut(1);

  std::vector<std::pair<Kind, std::int32_t>> kept;
  std::vector<std::string> cameras;
  for (const auto& write : host.Writes()) {
    kept.emplace_back(write.kind, write.instance);
    if (write.kind == Kind::kCamera) cameras.push_back(write.camera.name);
  }
  EXPECT_EQ(kept, (std::vector<std::pair<Kind, std::int32_t>>{{Kind::kCheckIn, 1},
                                                              {Kind::kCheckIn, 2},
                                                              {Kind::kCamera, 1},
                                                              {Kind::kCamera, 1},
                                                              {Kind::kCheckOut, 1}}));
  EXPECT_EQ(cameras, (std::vector<std::string>{"x", "z"}));
}

}  // namespace
}  // namespace orlentis::testing
