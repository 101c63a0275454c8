#pragma once

#include <soci/soci.h>

#include <cstdint>
#include <string>

#include "store/keyset.h"

namespace orlentis {

inline constexpr std::int32_t kRecordProtocolInstance = -1;

// One site-server instance of the directory (table Site).
struct SiteRow {
  std::int32_t nID = 0;
  std::string strIP;
  std::string strSiteName;
  std::int32_t nInstanceID = 0;  // -1 for a site of the record protocol
  std::int32_t nWebServerPort = 0;
  std::int32_t bOnline = 0;
  double dCheckInTime = 0.0;  // OLE automation date, local time
};

// The table Site. Addresses and site names compare ignoring case.
class SiteTable : public Keyset<SiteRow> {
 public:
  explicit SiteTable(soci::session& session) : session_(session) {}

  // One numbered instance of a host.
  void OpenByAddressAndInstance(const std::string& ip, std::int32_t instance);
  // One site of the record protocol (instance -1).
  void OpenByAddressAndName(const std::string& ip, const std::string& siteName);
  // The sites on line, by address, instance and name.
  void OpenOnline();
  void OpenById(std::int32_t id);
  // Every site, by address, instance and name.
  void OpenAll();

  // Takes off line, in one statement, every on-line site whose last check-in is older than
  // staleBefore (an OLE date). A check-in that lands meanwhile moves its time past that and
  // keeps its site on line; nothing but the on-line mark changes.
  static void MarkStaleOffline(soci::session& session, double staleBefore);

 protected:
  void Insert(SiteRow& row) override;
  void Write(const SiteRow& original, const SiteRow& changed) override;
  void Erase(const SiteRow& row) override;

 private:
  soci::session& session_;
};

}  // namespace orlentis
