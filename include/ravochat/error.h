// Failures of the chat component. Refusals that a visitor sees are returned texts;
// everything here is a failure that ends the operation and reaches the host.
#pragma once

#include <stdexcept>
#include <string>

namespace ravochat {

// Base of every failure the component raises.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A value that cannot be converted to the type an operation needs (type mismatch).
class ConversionError : public Error {
 public:
  using Error::Error;
};

// A number outside the range of the whole-number type it is converted to.
class OverflowError : public ConversionError {
 public:
  using ConversionError::ConversionError;
};

// Integer division or remainder by zero.
class DivisionByZeroError : public Error {
 public:
  using Error::Error;
};

// A key missing from a keyed list string, or a field index beyond its record.
class ListKeyError : public Error {
 public:
  using Error::Error;
};

// A database that cannot be opened, or a statement that fails; names the statement.
class DatabaseError : public Error {
 public:
  using Error::Error;
};

// The shared state store (Redis) that cannot be reached, refuses a command, or took a chat's
// lock away from a change that ran too long; the change was not stored.
class StateError : public Error {
 public:
  using Error::Error;
};

}  // namespace ravochat
