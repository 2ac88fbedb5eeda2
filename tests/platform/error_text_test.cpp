// The C++ library's own error texts never reach the user; texts raised for
// the user pass unchanged.
#include "platform/error_text.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <new>
#include <stdexcept>
#include <system_error>

using zorbex::ErrorText;
using zorbex::ErrorUse;
using zorbex::SystemErrorText;

TEST(ErrorText, LibraryErrorsBecomeRussianSentencesAndOurTextsStay) {
    const std::exception_ptr library[] = {
        std::make_exception_ptr(std::bad_alloc()),
        std::make_exception_ptr(std::length_error("basic_string::_M_create")),
        std::make_exception_ptr(std::out_of_range("vector::_M_range_check")),
        std::make_exception_ptr(std::system_error(std::make_error_code(std::errc::no_space_on_device))),
        std::make_exception_ptr(std::bad_function_call()),
        std::make_exception_ptr(std::exception()),
        std::make_exception_ptr(42),
    };
    for (const auto& error : library) {
        const std::string text = ErrorText(error);
        EXPECT_FALSE(text.empty());
        EXPECT_EQ(text.find_first_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos)
            << text;
    }
    EXPECT_NE(ErrorText(library[0]).find("памяти"), std::string::npos);
    const std::string ours = "Unable to write to /u/Zorbl.Zrf";
    EXPECT_EQ(ErrorText(std::make_exception_ptr(std::runtime_error(ours))), ours);
}

TEST(ErrorText, EveryErrorNumberReadsInRussian) {
    const std::string unknown = "ошибка операционной системы, код ";
    for (int code = 1; code < 4096; ++code) {
        for (ErrorUse use : {ErrorUse::kWrite, ErrorUse::kOpen}) {
            const std::string text = SystemErrorText(code, use);
            EXPECT_EQ(text.find_first_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos)
                << code << ": " << text;
        }
    }
    // The codes a file or watch meets have words of their own.
    for (int code : {EACCES, EPERM,  ENOENT,     ENOTDIR,   EISDIR,       ELOOP,   ENAMETOOLONG, ENOSPC,    EDQUOT,
                     EROFS,  EEXIST, EBUSY,      ETXTBSY,   EMFILE,       ENFILE,  ENOMEM,       EFBIG,     EIO,
                     ESTALE, EXDEV,  EINVAL,     EAGAIN,    EINTR,        ENODEV,  ENXIO,        ENOTEMPTY, EFAULT,
                     EBADF,  ENOLCK, EOPNOTSUPP, ETIMEDOUT, ECONNREFUSED, ENOTCONN}) {
        EXPECT_EQ(SystemErrorText(code).rfind(unknown, 0), std::string::npos) << code;
    }
    EXPECT_EQ(SystemErrorText(4000), unknown + "4000");
    // A file only opened is said shorter where a write names its folder.
    EXPECT_EQ(SystemErrorText(ENOENT), "каталог не найден");
    EXPECT_EQ(SystemErrorText(ENOENT, ErrorUse::kOpen), "его нет");
    EXPECT_EQ(SystemErrorText(EACCES, ErrorUse::kOpen), "нет доступа");
    EXPECT_EQ(SystemErrorText(EINVAL, ErrorUse::kOpen), "это не обычный файл");
}
