// The C++ library's own error texts never reach the user; texts raised for
// the user pass unchanged.
#include "platform/error_text.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace {

using zorbex::ErrorText;

bool HasLatinLetter(const std::string& s) {
    for (const char c : s)
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
    return false;
}

template <class Fn>
std::string TextOf(Fn&& fn) {
    try {
        fn();
    } catch (...) {
        return ErrorText(std::current_exception());
    }
    return "<nothing thrown>";
}

TEST(ErrorText, LibraryErrorsBecomeRussianSentencesAndOurTextsStay) {
    const std::vector<std::pair<const char*, std::function<void()>>> library = {
        {"bad_alloc", [] { throw std::bad_alloc(); }},
        {"bad_array_new_length", [] { throw std::bad_array_new_length(); }},
        {"length_error", [] { std::string().reserve(std::string().max_size() + 1); }},
        {"out_of_range", [] { (void)std::vector<int>().at(3); }},
        {"invalid_argument", [] { (void)std::stoi("x"); }},
        {"system_error", [] { throw std::system_error(std::make_error_code(std::errc::no_space_on_device)); }},
        {"bad_function_call", [] { std::function<void()>()(); }},
        {"bad_optional_access", [] { (void)std::optional<int>().value(); }},
        {"overflow_error", [] { throw std::overflow_error("bitset::to_ulong"); }},
        {"exception", [] { throw std::exception(); }},
        {"runtime_error without a text", [] { throw std::runtime_error(""); }},
        {"not an exception", [] { throw 42; }},
    };
    for (const auto& [what, fn] : library) {
        const std::string text = TextOf(fn);
        EXPECT_FALSE(text.empty()) << what;
        EXPECT_FALSE(HasLatinLetter(text)) << what << ": " << text;
    }
    EXPECT_NE(TextOf(library[0].second).find("памяти"), std::string::npos);

    for (const char* ours : {"Unable to write to /home/u/Zorbl.Zrf", "Файл настроек «/x» слишком велик"}) {
        EXPECT_EQ(TextOf([&] { throw std::runtime_error(ours); }), ours);
    }
    EXPECT_FALSE(HasLatinLetter(ErrorText(nullptr)));
}

}  // namespace
