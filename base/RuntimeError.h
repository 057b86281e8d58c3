#pragma once
// Run-time errors with the classic numbers and descriptions. Code that follows
// a "skip the failing step and go on" rule (loading, closing sounds, key
// triggers) throws these and catches them one step at a time; code that shows
// "debug info" quotes the description.

#include <QString>
#include <exception>

namespace lumidex {

class RuntimeError : public std::exception {
  public:
    explicit RuntimeError(int number);
    RuntimeError(int number, QString description);

    int number() const noexcept { return number_; }
    const QString& description() const noexcept { return description_; }
    const char* what() const noexcept override { return what_.c_str(); }

    // The classic description of an error number ("Overflow" for 6), or an
    // empty text for a number without one.
    static QString describe(int number);

  private:
    int number_;
    QString description_;
    std::string what_;
};

// The error numbers the program raises.
namespace rterr {
constexpr int InvalidCall = 5;
constexpr int Overflow = 6;
constexpr int OutOfMemory = 7;
constexpr int SubscriptOutOfRange = 9;
constexpr int DivisionByZero = 11;
constexpr int BadFileName = 52;
constexpr int FileNotFound = 53;
constexpr int DeviceIO = 57;
constexpr int FileExists = 58;
constexpr int DiskFull = 61;
constexpr int InputPastEnd = 62;
constexpr int TooManyFiles = 67;
constexpr int PermissionDenied = 70;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;
}  // namespace rterr

}  // namespace lumidex
