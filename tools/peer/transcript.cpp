#include "transcript.h"

#include <cstdio>
#include <stdexcept>

namespace orlentis::peer {
namespace {

std::string HexText(std::int64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx",
                static_cast<unsigned long long>(static_cast<std::uint32_t>(value)));
  return text;
}

std::string TextValue(const ReplyField& field) {
  if (const auto* text = std::get_if<std::string>(&field.value)) return JsonString(*text);
  const auto number = std::get<std::int64_t>(field.value);
  return field.hex ? HexText(number) : std::to_string(number);
}

std::string JsonValue(const ReplyField& field) {
  if (const auto* text = std::get_if<std::string>(&field.value)) return JsonString(*text);
  return std::to_string(std::get<std::int64_t>(field.value));
}

}  // namespace

ReplyEntry& ReplyEntry::Number(std::string key, std::int64_t value) {
  fields.push_back({std::move(key), value, false});
  return *this;
}

ReplyEntry& ReplyEntry::Hex(std::string key, std::int64_t value) {
  fields.push_back({std::move(key), value, true});
  return *this;
}

ReplyEntry& ReplyEntry::Text(std::string key, std::string value) {
  fields.push_back({std::move(key), std::move(value), false});
  return *this;
}

const ReplyField& ReplyEntry::Field(std::string_view key) const {
  for (const auto& field : fields) {
    if (field.key == key) return field;
  }
  throw std::out_of_range("no field " + std::string(key) + " in " + record);
}

ReplyEntry& Transcript::Add(std::string request, std::string record) {
  entries_.push_back({std::move(request), std::move(record), {}});
  return entries_.back();
}

std::string Transcript::Text() const {
  std::string text;
  for (const auto& entry : entries_) {
    text += entry.request + " -> " + entry.record;
    for (const auto& field : entry.fields) {
      text.append(" ").append(field.key).append("=").append(TextValue(field));
    }
    text += "\n";
  }
  return text;
}

std::string Transcript::Json(std::string_view command, PeerStatus status,
                             std::string_view message) const {
  std::string json = "{\"command\":" + JsonString(command) +
                     ",\"status\":" + JsonString(StatusName(status)) +
                     ",\"exit\":" + std::to_string(ExitCode(status)) +
                     ",\"message\":" + JsonString(message) + ",\"replies\":[";
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const auto& entry = entries_[i];
    if (i > 0) json += ",";
    json += "{\"request\":" + JsonString(entry.request) + ",\"record\":" + JsonString(entry.record);
    for (const auto& field : entry.fields) {
      json.append(",").append(JsonString(field.key)).append(":").append(JsonValue(field));
    }
    json += "}";
  }
  return json + "]}";
}

std::string JsonString(std::string_view text) {
  std::string json = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      json += escaped;
    } else {
      json += c;
    }
  }
  return json + "\"";
}

}  // namespace orlentis::peer
