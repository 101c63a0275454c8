#include "base/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <limits>

#include "base/operator_log.h"
#include "base/operator_messages.h"

namespace orlentis {

std::int32_t ParseProfileInt(std::string_view text) {
  return ParseProfileNumber(text).value_or(0);
}

std::optional<std::int32_t> ParseProfileNumber(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
  if (at == text.size() || !std::isdigit(static_cast<unsigned char>(text[at]))) {
    return std::nullopt;
  }
  std::int64_t value = 0;
  constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
  for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
    value = value * 10 + (text[at] - '0');
    if (value > kLimit + 1) value = kLimit + 1;
  }
  if (negative) return static_cast<std::int32_t>(-value);
  return static_cast<std::int32_t>(value > kLimit ? kLimit : value);
}

ProfileFile::ProfileFile() {
  ini_.SetUnicode(false);
  ini_.SetSpaces(false);
}

namespace {

// Drops every NUL byte of content and names the lines that held one, in one line of the
// operator's log.
void ReadPastNulBytes(std::string& content, const std::filesystem::path& path) {
  std::size_t line = 1;
  std::string lines;
  std::size_t lastNamed = 0;
  std::string kept;
  kept.reserve(content.size());
  for (const char byte : content) {
    if (byte == '\n') ++line;
    if (byte != '\0') {
      kept.push_back(byte);
    } else if (line != lastNamed) {
      lines += (lastNamed == 0 ? "" : ", ") + std::to_string(line);
      lastNamed = line;
    }
  }
  content = std::move(kept);
  LogToOperatorPerReason(kLogSettingsFileDamaged, path.string(),
                         path.string() + " is damaged: NUL bytes on line " + lines +
                             " are skipped and the rest of the file is read");
}

}  // namespace

ProfileFile::ProfileFile(const std::filesystem::path& path) : ProfileFile() {
  std::ifstream in(path, std::ios::binary);
  if (!in) return;
  std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return;
  if (content.find('\0') != std::string::npos) ReadPastNulBytes(content, path);
  loaded_ = ini_.LoadData(content) == SI_OK;
}

bool ProfileFile::HasKey(const char* section, const char* key) const {
  return ini_.GetValue(section, key, nullptr) != nullptr;
}

std::int32_t ProfileFile::GetInt(const char* section, const char* key,
                                 std::int32_t fallback) const {
  const char* value = ini_.GetValue(section, key, nullptr);
  return value == nullptr ? fallback : ParseProfileInt(value);
}

std::string ProfileFile::GetText(const char* section, const char* key, std::string_view fallback,
                                 std::size_t maxLength) const {
  const char* value = ini_.GetValue(section, key, nullptr);
  std::string text = value == nullptr ? std::string(fallback) : std::string(value);
  if (text.size() > maxLength) text.resize(maxLength);
  return text;
}

void ProfileFile::SetText(const char* section, const char* key, const std::string& value) {
  ini_.SetValue(section, key, value.c_str());
}

bool ProfileFile::SaveAs(const std::filesystem::path& path) const {
  std::string content;
  if (ini_.Save(content) != SI_OK) return false;
  // The INI writer separates sections it created with two blank lines; one reads better.
  for (auto at = content.find("\n\n\n"); at != std::string::npos; at = content.find("\n\n\n", at)) {
    content.erase(at, 1);
  }
  return WriteFileAtomically(path, content);
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view content) {
  struct stat existing {};
  const mode_t mode = ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0600;
  const std::filesystem::path temporary = path.string() + ".new";
  // A temporary file left by a crash is made anew rather than opened: were it a link to another
  // file (the database, say), truncating it would destroy that file, and even opening it would
  // drop the locks this process holds on it.
  ::unlink(temporary.c_str());
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) return false;
  ::fchmod(fd, mode);
  std::size_t written = 0;
  while (written < content.size()) {
    const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
    if (n <= 0) break;
    written += static_cast<std::size_t>(n);
  }
  const bool ok = written == content.size() && ::fsync(fd) == 0;
  ::close(fd);
  if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace orlentis
