#pragma once

#include <soci/soci.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <typeinfo>
#include <vector>

struct sqlite3_stmt;

namespace orlentis {

// The storage one use or into element of a prepared statement is bound to. It belongs to the
// statement, so the statement can run again for another caller with other values.
struct StatementSlot {
  virtual ~StatementSlot() = default;
};

template <class T>
struct TypedSlot final : StatementSlot {
  T value{};
  soci::indicator indicator = soci::i_ok;
};

// One value a caller binds to a statement: where it lives, its type, and how it gets into or
// out of the statement's own slot.
struct StatementBinding {
  enum class Direction { kUse, kInto };
  Direction direction;
  const std::type_info* type;
  void* variable;
  std::unique_ptr<StatementSlot> (*makeSlot)(soci::statement&);
  // A use copies the variable into the slot before execution; an into copies the slot out
  // after each fetched row, a NULL as the type's default value.
  void (*copy)(StatementSlot& slot, void* variable);
  // An into's slot holds NULL (after a fetch); null for a use.
  bool (*isNull)(const StatementSlot& slot);
};

template <class T>
StatementBinding IntoBinding(T& target) {
  return {StatementBinding::Direction::kInto,
          &typeid(T),
          &target,
          [](soci::statement& statement) -> std::unique_ptr<StatementSlot> {
            auto slot = std::make_unique<TypedSlot<T>>();
            statement.exchange(soci::into(slot->value, slot->indicator));
            return slot;
          },
          [](StatementSlot& slot, void* variable) {
            const auto& typed = static_cast<TypedSlot<T>&>(slot);
            *static_cast<T*>(variable) = typed.indicator == soci::i_null ? T{} : typed.value;
          },
          [](const StatementSlot& slot) {
            return static_cast<const TypedSlot<T>&>(slot).indicator == soci::i_null;
          }};
}

template <class T>
StatementBinding UseBinding(const T& value) {
  return {StatementBinding::Direction::kUse,
          &typeid(T),
          const_cast<T*>(&value),
          [](soci::statement& statement) -> std::unique_ptr<StatementSlot> {
            auto slot = std::make_unique<TypedSlot<T>>();
            statement.exchange(soci::use(slot->value));
            return slot;
          },
          [](StatementSlot& slot, void* variable) {
            static_cast<TypedSlot<T>&>(slot).value = *static_cast<const T*>(variable);
          },
          nullptr};
}

// A value that may be NULL: an empty optional is bound as NULL.
template <class T>
StatementBinding UseBinding(const std::optional<T>& value) {
  return {StatementBinding::Direction::kUse,
          &typeid(std::optional<T>),
          const_cast<std::optional<T>*>(&value),
          [](soci::statement& statement) -> std::unique_ptr<StatementSlot> {
            auto slot = std::make_unique<TypedSlot<T>>();
            statement.exchange(soci::use(slot->value, slot->indicator));
            return slot;
          },
          [](StatementSlot& slot, void* variable) {
            auto& typed = static_cast<TypedSlot<T>&>(slot);
            const auto& optional = *static_cast<const std::optional<T>*>(variable);
            typed.indicator = optional ? soci::i_ok : soci::i_null;
            typed.value = optional.value_or(T{});
          },
          nullptr};
}

// A statement prepared on a session together with the slots its elements are bound to. It
// can run any number of times; Release() ends a run that was not fetched to its end, so the
// statement holds no read snapshot of the database while it waits for its next use.
class PreparedStatement {
 public:
  PreparedStatement(soci::session& session, const std::string& sql,
                    const std::vector<StatementBinding>& bindings);
  PreparedStatement(const PreparedStatement&) = delete;
  PreparedStatement& operator=(const PreparedStatement&) = delete;

  soci::statement& Statement() { return statement_; }
  StatementSlot& Slot(std::size_t binding) { return *slots_[binding]; }
  // SQLite's own handle of the statement (on a SQLite session only).
  sqlite3_stmt* Native();
  void Release();

  bool InUse() const { return inUse_; }
  void SetInUse(bool inUse) { inUse_ = inUse; }

 private:
  soci::statement statement_;
  std::vector<std::unique_ptr<StatementSlot>> slots_;
  const bool onSqlite_;
  bool inUse_ = false;
};

}  // namespace orlentis
