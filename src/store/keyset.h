#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace orlentis {

// The walk shared by every record set: a query loads its rows once (a keyset), the cursor
// moves forward over them, and writes go to the database row that the loaded row came
// from. A fresh set is empty, at its end.
//
// Writing follows the record-set pattern: AddNew() or Edit() gives the pending row, the
// caller assigns its columns, Update() writes it. An added row joins the loaded rows, carrying
// the id the database gave it, and becomes the current row. Delete() removes the current row;
// the cursor then stands on the row that followed it.
template <class Row>
class Keyset {
 public:
  virtual ~Keyset() = default;

  // Runs the last query again; the cursor goes back to the first row.
  void Requery() {
    if (query_) Load(query_);
  }

  bool IsEOF() const { return rows_.empty() || position_ >= Size(); }
  void MoveFirst() { position_ = 0; }
  void MoveNext() {
    if (position_ < Size()) ++position_;
  }

  std::size_t Count() const { return rows_.size(); }
  const std::vector<Row>& Rows() const { return rows_; }
  const Row& Current() const { return rows_.at(CurrentIndex()); }

  Row& AddNew() {
    pending_ = Row{};
    mode_ = Mode::kAdding;
    return pending_;
  }
  Row& Edit() {
    pending_ = Current();
    mode_ = Mode::kEditing;
    return pending_;
  }
  // Writes the pending row; false when there is none.
  bool Update() {
    const Mode mode = std::exchange(mode_, Mode::kNone);
    if (mode == Mode::kAdding) {
      Insert(pending_);
      rows_.push_back(pending_);
      position_ = Size() - 1;
      return true;
    }
    if (mode == Mode::kEditing) {
      Row& current = rows_.at(CurrentIndex());
      Write(current, pending_);
      current = pending_;
      return true;
    }
    return false;
  }
  void Delete() {
    const std::size_t index = CurrentIndex();
    Erase(rows_[index]);
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
  }

 protected:
  using Query = std::function<std::vector<Row>()>;

  void Load(Query query) {
    rows_ = query();
    query_ = std::move(query);
    position_ = 0;
    mode_ = Mode::kNone;
  }

  // Inserts row and stores the id the database gave it in row.
  virtual void Insert(Row& row) = 0;
  // Writes changed over the database row that original was loaded from.
  virtual void Write(const Row& original, const Row& changed) = 0;
  virtual void Erase(const Row& row) = 0;

 private:
  enum class Mode { kNone, kAdding, kEditing };

  std::ptrdiff_t Size() const { return static_cast<std::ptrdiff_t>(rows_.size()); }
  std::size_t CurrentIndex() const {
    if (IsEOF()) throw std::out_of_range("record set has no current row");
    return static_cast<std::size_t>(position_);
  }

  std::vector<Row> rows_;
  std::ptrdiff_t position_ = 0;
  Mode mode_ = Mode::kNone;
  Row pending_{};
  Query query_;
};

}  // namespace orlentis
