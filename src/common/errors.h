#pragma once
// Exception types shared by the core.
#include <stdexcept>
#include <string>

namespace nummora {

// Base of every error the program raises itself. what() is the English message that ends up
// in an error box or in the events list.
class NummoraError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A text position or counter went past the width it is kept in (for the text routines:
// a match beyond character 65535). The message is "Range check error".
class ERangeError : public NummoraError {
 public:
  ERangeError() : NummoraError("Range check error") {}
  explicit ERangeError(const std::string& message) : NummoraError(message) {}
};

// A text could not be converted to a number, amount or date (the throwing readers).
// The message names the text, as in "'abc' is not a valid floating point value".
class EConvertError : public NummoraError {
 public:
  using NummoraError::NummoraError;
};

}  // namespace nummora
