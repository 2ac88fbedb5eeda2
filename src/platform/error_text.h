#pragma once
// What the user reads about an error nobody caught: the error display and an
// unattended run's standard error show this text (each adds the full stop).
//
// - The errors of the C++ library itself carry texts meant for developers
//   ("std::bad_alloc", "basic_string::_M_create", "vector::_M_range_check"):
//   they become a Russian sentence that says what happened.
// - Every other error, ours included ("Unable to write to %s", the settings
//   file that is too large to read), was raised with a text meant for the
//   user: that text, unchanged.
#include <exception>
#include <string>

namespace zorbex {

// error may be anything thrown, or null.
std::string ErrorText(const std::exception_ptr& error);

}  // namespace zorbex
