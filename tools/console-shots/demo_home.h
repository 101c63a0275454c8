#pragma once

#include <filesystem>
#include <optional>

namespace orlentis::shots {

// The program folder the demonstration runs in, as the program's first start leaves it: the
// default settings and language file, the database with its first accounts, the start-up
// maintenance and the "Start" entry. The process works in it from then on.
class DemoHome {
 public:
  // home: a new or empty folder, kept afterwards; without it, a temporary folder that goes
  // away with this object. Throws when the folder cannot be used.
  explicit DemoHome(const std::optional<std::filesystem::path>& home);
  ~DemoHome();
  DemoHome(const DemoHome&) = delete;
  DemoHome& operator=(const DemoHome&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  void Prepare();
  // Closes the database; a temporary folder is removed.
  void Leave();

  std::filesystem::path path_;
  bool temporary_ = false;
};

}  // namespace orlentis::shots
