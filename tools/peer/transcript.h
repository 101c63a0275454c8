#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "peer_status.h"

namespace orlentis::peer {

// One field of a decoded reply: a number or a text (texts are UTF-8 here).
struct ReplyField {
  std::string key;
  std::variant<std::int64_t, std::string> value;
  bool hex = false;  // a status word or bit set, shown in hexadecimal in the text form

  bool operator==(const ReplyField&) const = default;
};

// One reply as the server sent it, decoded: the request it answers, the record layout, and
// its fields in wire order.
struct ReplyEntry {
  std::string request;
  std::string record;
  std::vector<ReplyField> fields;

  ReplyEntry& Number(std::string key, std::int64_t value);
  ReplyEntry& Hex(std::string key, std::int64_t value);
  ReplyEntry& Text(std::string key, std::string value);
  // The field of that key; throws std::out_of_range when there is none.
  const ReplyField& Field(std::string_view key) const;
};

// Everything one command received, in order; rendered as text lines or as one JSON object.
class Transcript {
 public:
  ReplyEntry& Add(std::string request, std::string record);
  const std::vector<ReplyEntry>& Entries() const { return entries_; }

  // One line per reply: "REQUEST -> Record key=value ...".
  std::string Text() const;
  // {"command":..., "status":..., "exit":..., "message":..., "replies":[...]}
  std::string Json(std::string_view command, PeerStatus status, std::string_view message) const;

 private:
  std::vector<ReplyEntry> entries_;
};

// A JSON string literal of text (UTF-8 passes unchanged; quotes and control bytes escaped).
std::string JsonString(std::string_view text);

}  // namespace orlentis::peer
