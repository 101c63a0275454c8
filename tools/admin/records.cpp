#include "records.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

namespace orlentis::admin {
namespace {

std::string PlainText(const Value& value) {
  switch (value.kind) {
    case Value::Kind::kText:
      return value.text;
    case Value::Kind::kNumber:
      return std::to_string(value.number);
    case Value::Kind::kFlag:
      return value.flag ? "yes" : "no";
    case Value::Kind::kList:
      break;
  }
  return {};
}

// Column widths count characters, not the bytes of their UTF-8 encoding.
std::size_t Width(const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// A field name as people read it: "needs_restart" is "needs restart", in a header
// "NEEDS RESTART".
std::string Spoken(std::string name, bool upper) {
  for (char& c : name) {
    if (c == '_') c = ' ';
    if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return name;
}

void PrintLine(std::ostream& out, std::string line) {
  while (!line.empty() && line.back() == ' ') line.pop_back();
  out << line << "\n";
}

void PrintRow(std::ostream& out, const std::vector<std::string>& cells,
              const std::vector<std::size_t>& widths, const std::string& indent) {
  std::string line = indent;
  for (std::size_t column = 0; column < cells.size(); ++column) {
    line += cells[column];
    if (column + 1 < cells.size())
      line += std::string(widths[column] - Width(cells[column]) + 2, ' ');
  }
  out << line << "\n";
}

void PrintTableIndented(std::ostream& out, const std::vector<Record>& rows,
                        const std::string& indent) {
  if (rows.empty()) return;
  std::vector<std::string> header;
  for (const auto& [name, value] : rows.front().fields) {
    if (value.kind != Value::Kind::kList) header.push_back(Spoken(name, true));
  }
  std::vector<std::vector<std::string>> cells;
  for (const Record& row : rows) {
    std::vector<std::string> line;
    for (const auto& [name, value] : row.fields) {
      if (value.kind != Value::Kind::kList) line.push_back(PlainText(value));
    }
    cells.push_back(std::move(line));
  }
  std::vector<std::size_t> widths(header.size(), 0);
  for (std::size_t column = 0; column < header.size(); ++column) {
    widths[column] = Width(header[column]);
    for (const auto& line : cells) widths[column] = std::max(widths[column], Width(line[column]));
  }
  PrintRow(out, header, widths, indent);
  for (const auto& line : cells) PrintRow(out, line, widths, indent);
}

void WriteJsonText(std::ostream& out, const std::string& text) {
  out << '"';
  for (const char c : text) {
    switch (c) {
      case '"':
        out << "\\\"";
        break;
      case '\\':
        out << "\\\\";
        break;
      case '\n':
        out << "\\n";
        break;
      case '\r':
        out << "\\r";
        break;
      case '\t':
        out << "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out << escaped;
        } else {
          out << c;
        }
    }
  }
  out << '"';
}

void WriteJsonValue(std::ostream& out, const Value& value);

void WriteJsonObject(std::ostream& out, const Record& record) {
  out << '{';
  bool first = true;
  for (const auto& [name, value] : record.fields) {
    if (!first) out << ',';
    first = false;
    WriteJsonText(out, name);
    out << ':';
    WriteJsonValue(out, value);
  }
  out << '}';
}

void WriteJsonArray(std::ostream& out, const std::vector<Record>& records) {
  out << '[';
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (i > 0) out << ',';
    WriteJsonObject(out, records[i]);
  }
  out << ']';
}

void WriteJsonValue(std::ostream& out, const Value& value) {
  switch (value.kind) {
    case Value::Kind::kText:
      WriteJsonText(out, value.text);
      break;
    case Value::Kind::kNumber:
      out << value.number;
      break;
    case Value::Kind::kFlag:
      out << (value.flag ? "true" : "false");
      break;
    case Value::Kind::kList:
      WriteJsonArray(out, value.list);
      break;
  }
}

}  // namespace

void PrintTable(std::ostream& out, const std::vector<Record>& rows) {
  PrintTableIndented(out, rows, "");
}

void PrintRecord(std::ostream& out, const Record& record) {
  for (const auto& [name, value] : record.fields) {
    if (value.kind == Value::Kind::kList) {
      PrintLine(out, Spoken(name, false) + ":" + (value.list.empty() ? " none" : ""));
      PrintTableIndented(out, value.list, "  ");
    } else {
      PrintLine(out, Spoken(name, false) + ": " + PlainText(value));
    }
  }
}

void WriteJson(std::ostream& out, const Record& record) {
  WriteJsonObject(out, record);
  out << "\n";
}

void WriteJson(std::ostream& out, const std::vector<Record>& records) {
  WriteJsonArray(out, records);
  out << "\n";
}

}  // namespace orlentis::admin
