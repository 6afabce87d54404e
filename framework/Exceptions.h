#pragma once

#include <QString>
#include <exception>
#include <string>

// The root of every exception the program raises on purpose. The message is what the
// default error report shows the user, so it is kept as display text.
class Exception : public std::exception {
 public:
  explicit Exception(QString message);
  const QString& Message() const { return message_; }
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  QString message_;
  std::string utf8_;
};

// A text that does not hold the number it should.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// An index outside a list.
class EListError : public Exception {
 public:
  using Exception::Exception;
  // The list error every ordered list raises for a bad index.
  static EListError IndexOutOfBounds(int index);
};
