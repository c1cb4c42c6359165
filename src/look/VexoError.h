#pragma once
#include <stdexcept>
#include <string>

// Raised by drawing helpers on a call that breaks their contract (a programming error, never a
// user or file error); the message is the one the user sees if it ever reaches the error box.
class VexoError : public std::runtime_error {
  public:
    explicit VexoError(const std::string& message = "Vexo MP Error!") : std::runtime_error(message) {}
};
