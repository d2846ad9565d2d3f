#pragma once
// The exception family. Every failure the program detects itself is one of
// these, carrying a fixed message (see Messages.h) that is shown as it is.
// Image::not_support and Image::format_error are nested in Image (Image.h).

#include <exception>
#include <string>

class myexception : public std::exception {
public:
    explicit myexception(const char* message) : message_(message ? message : "") {}
    myexception(const myexception&) = default;
    myexception& operator=(const myexception&) = default;
    ~myexception() override = default;
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

class exec_error : public myexception {
public:
    using myexception::myexception;
};

class file_error : public myexception {
public:
    using myexception::myexception;
};
