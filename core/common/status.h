#pragma once
// Outcome of an operation that can fail for expected reasons (bad input, I/O, ODBC, parse,
// cancel). Exceptions never cross a core interface; callers get one of these instead.

#include <string>
#include <utility>
#include <variant>

namespace quarry {

enum class StatusCode {
  kOk = 0,
  kInvalidArgument,  // the caller's input is unusable
  kNotFound,         // a table, column or file that must exist does not
  kDatabase,         // the data source refused a statement
  kIo,               // a file could not be read or written
  kParse,            // a file or text has the wrong form
  kCancelled,        // the user stopped the job
  kBusy,             // the resource is in use by another job
  kFatal,            // an engine condition that ends the job
};

class Status {
 public:
  Status() = default;
  Status(StatusCode code, std::string message) : code_(code), message_(std::move(message)) {}

  static Status Ok() { return {}; }

  bool ok() const { return code_ == StatusCode::kOk; }
  StatusCode code() const { return code_; }
  const std::string& message() const { return message_; }

 private:
  StatusCode code_ = StatusCode::kOk;
  std::string message_;
};

inline Status InvalidArgument(std::string m) { return {StatusCode::kInvalidArgument, std::move(m)}; }
inline Status NotFound(std::string m) { return {StatusCode::kNotFound, std::move(m)}; }
inline Status DatabaseError(std::string m) { return {StatusCode::kDatabase, std::move(m)}; }
inline Status IoError(std::string m) { return {StatusCode::kIo, std::move(m)}; }
inline Status ParseError(std::string m) { return {StatusCode::kParse, std::move(m)}; }
inline Status Cancelled(std::string m) { return {StatusCode::kCancelled, std::move(m)}; }
inline Status Busy(std::string m) { return {StatusCode::kBusy, std::move(m)}; }
inline Status FatalError(std::string m) { return {StatusCode::kFatal, std::move(m)}; }

// A value or the Status that explains why there is none.
template <typename T>
class Expected {
 public:
  Expected(T value) : data_(std::move(value)) {}  // NOLINT: implicit by design
  Expected(Status status) : data_(std::move(status)) {}  // NOLINT: implicit by design

  bool ok() const { return std::holds_alternative<T>(data_); }
  explicit operator bool() const { return ok(); }

  T& value() & { return std::get<T>(data_); }
  const T& value() const& { return std::get<T>(data_); }
  T&& value() && { return std::get<T>(std::move(data_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  // The failure; an ok Status when a value is held.
  Status status() const { return ok() ? Status::Ok() : std::get<Status>(data_); }

 private:
  std::variant<T, Status> data_;
};

}  // namespace quarry
