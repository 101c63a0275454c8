#pragma once

#include <QDialog>
#include <vector>

class QTabWidget;

namespace orlentis {

class ConsolePage;

// The console: its pages in tabs and one OK button. OK stores (Commit) and accepts; Esc and
// the close box reject, and nothing is stored.
class PropertySheet : public QDialog {
  Q_OBJECT

 public:
  explicit PropertySheet(QWidget* parent = nullptr);

  // Adds page as the next tab; the sheet owns it.
  void AddPage(ConsolePage* page);
  int PageCount() const;
  ConsolePage* Page(int index) const;
  ConsolePage* CurrentPage() const;
  void SetCurrentPage(int index);

  // OK: accepted unless the current page cannot be left or Commit() fails.
  void accept() override;

 protected:
  // Stores what OK keeps; false, after saying why, keeps the sheet open.
  virtual bool Commit() { return true; }
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  void OnCurrentChanged(int index);

  QTabWidget* tabs_;
  int current_ = -1;
  bool shown_ = false;
};

}  // namespace orlentis
