#pragma once
// Errors of the RFB client. The kind decides how the end of a worker becomes a session status;
// otherwise only the message matters, and it is shown to the user unchanged.
#include <expected>
#include <string>

namespace rfb {

enum class ErrorKind {
  Other,
  EndOfStream,
  WriteZero,
  InvalidData,
  InvalidInput,
  Unsupported,
  PermissionDenied,
  ConnectionRefused,
  TimedOut,
};

struct Error {
  ErrorKind kind = ErrorKind::Other;
  std::string message;
  bool operator==(const Error&) const = default;
};

template <typename T>
using Result = std::expected<T, Error>;

inline std::unexpected<Error> fail(ErrorKind kind, std::string message) {
  return std::unexpected(Error{kind, std::move(message)});
}
inline std::unexpected<Error> invalid_data(std::string message) {
  return fail(ErrorKind::InvalidData, std::move(message));
}

// An operating-system error number as an error: its kind and the system's description.
Error os_error(int errnum);

}  // namespace rfb
