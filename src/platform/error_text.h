#pragma once
// What the user reads about an error, in Russian whatever the system's
// language. The one place where error numbers and caught errors become text.
//
// - SystemErrorText: the system's error number (errno) as a short phrase
//   that follows a colon ("не удалось записать файл «…»: нет прав
//   доступа"), for every code a file, folder or watch operation can meet;
//   any other code is named by its number, never in the system's English.
// - ErrorText: an error nobody caught, for the error display and an
//   unattended run's standard error (each adds the full stop).
//   - The errors of the C++ library itself carry texts meant for developers
//     ("std::bad_alloc", "basic_string::_M_create", "vector::_M_range_check"):
//     they become a Russian sentence that says what happened.
//   - Every other error, ours included ("Unable to write to %s", the
//     settings file that is too large to read), was raised with a text meant
//     for the user: that text, unchanged.
#include <exception>
#include <string>

namespace zorbex {

// Where the error was met: a few codes read differently for a file that is
// written than for one that is only opened or watched.
enum class ErrorUse {
    kWrite,  // a file written: ENOENT is its folder that is missing
    kOpen,   // a file or folder opened to be read or watched: said shorter,
             // and EINVAL or EISDIR is something other than a regular file
};

std::string SystemErrorText(int errnum, ErrorUse use = ErrorUse::kWrite);

// error may be anything thrown, or null.
std::string ErrorText(const std::exception_ptr& error);

}  // namespace zorbex
