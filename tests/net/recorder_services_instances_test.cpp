#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "net/wire_records.h"
#include "store/database_maintenance.h"
#include "support/net/recorder_services_server.h"
#include "support/net/recorder_wire.h"
#include "support/store/store_rows.h"

namespace orlentis::testing {
namespace {

constexpr const char* kPeer = "127.0.0.1";
constexpr HostFrame kGoOn{1, 1, 0};
constexpr HostFrame kDone{1, 0, 0};
constexpr HostFrame kNotDone{0, 0, 0};

HostCamera Camera(std::int32_t existence, std::int32_t state, const std::string& name) {
  // The index field is not read in a check-in: the position in the sequence is the index.
  return {99, existence, state, "1920x1080", name};
}

class InstanceServicesTest : public ::testing::Test {
 protected:
  // The whole instance check-in exchange; returns the final frame, if one came.
  std::optional<HostFrame> CheckInInstance(WireClient& client, std::int32_t instance,
                                           const std::string& name,
                                           const std::vector<HostCamera>& cameras) {
    EXPECT_TRUE(client.Send(EncodeHostRequest(HOST_INSTANCE_CHECKIN, instance)));
    EXPECT_EQ(ReceiveHostFrame(client), kGoOn);
    const InstanceHeader header{name, 9000 + instance, static_cast<std::int32_t>(cameras.size())};
    // Each record in its own receive: the next goes once the server has read the last.
    EXPECT_TRUE(client.Send(ToBytes(EncodeInstanceHeader(header))));
    EXPECT_TRUE(WaitUntilServerHasRead(server_.Net().Port()));
    for (const auto& camera : cameras) {
      EXPECT_TRUE(client.Send(ToBytes(EncodeHostCamera(camera))));
      EXPECT_TRUE(WaitUntilServerHasRead(server_.Net().Port()));
    }
    return ReceiveHostFrame(client);
  }

  // The next 16 bytes from the server answer a fresh request: nothing came in between.
  void ExpectNothingPending(WireClient& client) {
    ASSERT_TRUE(client.Send(EncodeHostRequest(HOST_INSTANCE_CHECKOUT, 4711)));
    EXPECT_EQ(ReceiveHostFrame(client), kNotDone);
  }

  RecorderServicesServer server_;
};

TEST_F(InstanceServicesTest, HeaderAndCamerasSentInOneBurstAreEachTakenWhole) {
  WireClient client = server_.Connect();
  ASSERT_TRUE(client.Send(EncodeHostRequest(HOST_INSTANCE_CHECKIN, 3)));
  ASSERT_EQ(ReceiveHostFrame(client), kGoOn);
  std::vector<std::uint8_t> burst = ToBytes(EncodeInstanceHeader({"Gate", 9003, 2}));
  for (const auto& camera : {Camera(1, 1, "Left"), Camera(1, 2, "Right")}) {
    const auto bytes = ToBytes(EncodeHostCamera(camera));
    burst.insert(burst.end(), bytes.begin(), bytes.end());
  }
  ASSERT_TRUE(client.Send(burst));
  EXPECT_EQ(ReceiveHostFrame(client), (HostFrame{1, 1, 0}));
  const auto sites = AllSites();
  ASSERT_EQ(sites.size(), 1u);
  const auto cameras = CamerasOf(sites[0].nID);
  ASSERT_EQ(cameras.size(), 2u);
  EXPECT_EQ(cameras[1].strName, "Right");
  ExpectNothingPending(client);
}

TEST_F(InstanceServicesTest, CheckInStoresTheInstanceAndItsCamerasInOrder) {
  WireClient client = server_.Connect();
  const auto final = CheckInInstance(
      client, 7, "Yard", {Camera(1, 0x55, "North"), Camera(0, 2, "South"), Camera(1, 0, "East")});
  EXPECT_EQ(final, (HostFrame{1, 1, 0}));

  const auto sites = AllSites();
  ASSERT_EQ(sites.size(), 1u);
  EXPECT_EQ(sites[0].strIP, kPeer);
  EXPECT_EQ(sites[0].nInstanceID, 7);
  EXPECT_EQ(sites[0].strSiteName, "Yard");
  EXPECT_EQ(sites[0].nWebServerPort, 9007);
  EXPECT_EQ(sites[0].bOnline, 1);
  EXPECT_DOUBLE_EQ(sites[0].dCheckInTime, NowOleDate());
  const auto cameras = CamerasOf(sites[0].nID);
  ASSERT_EQ(cameras.size(), 3u);
  const std::int32_t existence[] = {1, 0, 1};
  const std::int32_t states[] = {0x55, 2, 0};
  const char* names[] = {"North", "South", "East"};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(cameras[i].nIndex, static_cast<std::int32_t>(i));
    EXPECT_EQ(cameras[i].bExistence, existence[i]);
    EXPECT_EQ(cameras[i].nStateFlag, states[i]);
    EXPECT_EQ(cameras[i].strResolution, "1920x1080");
    EXPECT_EQ(cameras[i].strName, names[i]);
  }
  EXPECT_EQ(CountRows("Log"), 0);
}

TEST_F(InstanceServicesTest, FewerCamerasThanBeforeLeaveTheRestAbsent) {
  WireClient client = server_.Connect();
  const std::vector<HostCamera> four = {Camera(1, 1, "A"), Camera(1, 1, "B"), Camera(1, 1, "C"),
                                        Camera(1, 1, "D")};
  ASSERT_EQ(CheckInInstance(client, 0, "Front", four), (HostFrame{1, 1, 0}));
  ASSERT_EQ(CheckInInstance(client, 0, "Front renamed", {Camera(1, 3, "A2"), Camera(1, 3, "B2")}),
            (HostFrame{1, 1, 0}));

  const auto sites = AllSites();
  ASSERT_EQ(sites.size(), 1u);
  EXPECT_EQ(sites[0].strSiteName, "Front renamed");
  const auto cameras = CamerasOf(sites[0].nID);
  ASSERT_EQ(cameras.size(), 4u);
  EXPECT_EQ(cameras[0].strName, "A2");
  EXPECT_EQ(cameras[1].nStateFlag, 3);
  EXPECT_EQ(cameras[1].bExistence, 1);
  EXPECT_EQ(cameras[2].bExistence, 0);
  EXPECT_EQ(cameras[3].bExistence, 0);
  EXPECT_EQ(cameras[3].strName, "D");
}

TEST_F(InstanceServicesTest, TruncatedBlocksEndTheExchangeWithoutFinalFrameOrDatabaseWork) {
  WireClient client = server_.Connect();
  ASSERT_TRUE(client.Send(EncodeHostRequest(HOST_INSTANCE_CHECKIN, 1)));
  ASSERT_EQ(ReceiveHostFrame(client), kGoOn);
  const auto header = ToBytes(EncodeInstanceHeader({"Cut", 80, 0}));
  ASSERT_TRUE(server_.Net().SendAndWaitTaken(
      client, std::span(header).first(instance_header_layout::kSize - 1)));
  ExpectNothingPending(client);

  ASSERT_TRUE(client.Send(EncodeHostRequest(HOST_INSTANCE_CHECKIN, 1)));
  ASSERT_EQ(ReceiveHostFrame(client), kGoOn);
  ASSERT_TRUE(client.Send(ToBytes(EncodeInstanceHeader({"Cut", 80, 1}))));
  ASSERT_TRUE(WaitUntilServerHasRead(server_.Net().Port()));
  const auto camera = ToBytes(EncodeHostCamera(Camera(1, 1, "A")));
  ASSERT_TRUE(server_.Net().SendAndWaitTaken(
      client, std::span(camera).first(host_camera_layout::kSize - 1)));
  ExpectNothingPending(client);

  EXPECT_EQ(CountRows("Site"), 0);
  EXPECT_EQ(CountRows("Camera"), 0);
}

TEST_F(InstanceServicesTest, CheckOutAnswersWhetherTheInstanceWasKnown) {
  WireClient client = server_.Connect();
  ASSERT_EQ(CheckInInstance(client, 2, "Gate", {Camera(1, 1, "A")}), (HostFrame{1, 1, 0}));
  ASSERT_TRUE(client.Send(EncodeHostRequest(HOST_INSTANCE_CHECKOUT, 2)));
  EXPECT_EQ(ReceiveHostFrame(client), kDone);
  EXPECT_EQ(AllSites().at(0).bOnline, 0);

  ASSERT_TRUE(client.Send(EncodeHostRequest(HOST_INSTANCE_CHECKOUT, 3)));
  EXPECT_EQ(ReceiveHostFrame(client), kNotDone);
  EXPECT_EQ(CountRows("Site"), 1);
  EXPECT_EQ(CountRows("Log"), 0);
}

TEST_F(InstanceServicesTest, CameraUpdateEditsAnExistingSlotOnlyAndBringsTheInstanceOnline) {
  WireClient client = server_.Connect();
  ASSERT_EQ(CheckInInstance(client, 1, "Dock", {Camera(0, 0, "Old0"), Camera(0, 0, "Old1")}),
            (HostFrame{1, 1, 0}));
  const double checkedInAt = NowOleDate();
  ASSERT_TRUE(client.Send(EncodeHostRequest(HOST_INSTANCE_CHECKOUT, 1)));
  ASSERT_EQ(ReceiveHostFrame(client), kDone);
  server_.Net().Clock().AdvanceSeconds(120);

  struct Update {
    std::int32_t instance;
    std::int32_t index;
    HostFrame verdict;
  };
  // An existing slot, a slot without a row, an instance without a row.
  const Update updates[] = {{1, 1, kDone}, {1, 5, kDone}, {4, 0, kNotDone}};
  for (const auto& update : updates) {
    ASSERT_TRUE(client.Send(EncodeHostRequest(HOST_CAMERA_UPDATE, update.instance)));
    ASSERT_EQ(ReceiveHostFrame(client), kDone);
    // The existence sent is not taken: an updated camera exists.
    ASSERT_TRUE(client.Send(ToBytes(EncodeHostCamera({update.index, 0, 6, "640x480", "New"}))));
    EXPECT_EQ(ReceiveHostFrame(client), update.verdict) << update.index;
  }

  const auto sites = AllSites();
  ASSERT_EQ(sites.size(), 1u);
  EXPECT_EQ(sites[0].bOnline, 1);
  EXPECT_DOUBLE_EQ(sites[0].dCheckInTime, checkedInAt);
  const auto cameras = CamerasOf(sites[0].nID);
  ASSERT_EQ(cameras.size(), 2u);
  EXPECT_EQ(cameras[0].strName, "Old0");
  EXPECT_EQ(cameras[0].bExistence, 0);
  EXPECT_EQ(cameras[1].strName, "New");
  EXPECT_EQ(cameras[1].bExistence, 1);
  EXPECT_EQ(cameras[1].nStateFlag, 6);
  EXPECT_EQ(cameras[1].strResolution, "640x480");
}

// What a host sends for its instances while the database cannot be used is answered as not
// done, as ever, and written once it can be, in the order it came, while the host stays
// connected; what the host sends once the database is back waits for it and then is written
// at once.
TEST_F(InstanceServicesTest, WhatAHostSentWhileTheDatabaseCouldNotBeUsedIsWrittenOnceItCan) {
  WireClient client = server_.Connect();
  DatabaseMaintenance& maintenance = DatabaseMaintenance::Instance();
  maintenance.MarkUnusable("the test took it away");
  EXPECT_EQ(CheckInInstance(client, 1, "Dock", {Camera(1, 1, "A"), Camera(1, 1, "B")}),
            (HostFrame{0, 1, 0}));
  EXPECT_EQ(CheckInInstance(client, 2, "Gate", {Camera(1, 1, "C")}), (HostFrame{0, 1, 0}));
  ASSERT_TRUE(client.Send(EncodeHostRequest(HOST_INSTANCE_CHECKOUT, 2)));
  EXPECT_EQ(ReceiveHostFrame(client), kNotDone);
  ASSERT_TRUE(client.Send(EncodeHostRequest(HOST_CAMERA_UPDATE, 1)));
  ASSERT_EQ(ReceiveHostFrame(client), kDone);
  ASSERT_TRUE(client.Send(ToBytes(EncodeHostCamera({1, 1, 2, "640x480", "B2"}))));
  EXPECT_EQ(ReceiveHostFrame(client), kNotDone);
  EXPECT_EQ(CountRows("Site"), 0);

  maintenance.MarkUsable();
  // The check-out of instance 2 waits for what came before it, then finds its row.
  ASSERT_TRUE(client.Send(EncodeHostRequest(HOST_INSTANCE_CHECKOUT, 2)));
  EXPECT_EQ(ReceiveHostFrame(client), kDone);
  auto sites = AllSites();
  ASSERT_EQ(sites.size(), 2u);
  if (sites[0].nInstanceID != 1) std::swap(sites[0], sites[1]);
  EXPECT_EQ(sites[0].bOnline, 1);
  EXPECT_EQ(sites[1].bOnline, 0);
  const auto cameras = CamerasOf(sites[0].nID);
  ASSERT_EQ(cameras.size(), 2u);
  EXPECT_EQ(cameras[0].strName, "A");
  EXPECT_EQ(cameras[1].strName, "B2");
  EXPECT_EQ(cameras[1].nStateFlag, 2);
}

}  // namespace
}  // namespace orlentis::testing
