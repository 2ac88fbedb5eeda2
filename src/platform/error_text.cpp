#include "platform/error_text.h"

#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <regex>
#include <stdexcept>
#include <system_error>
#include <typeinfo>
#include <variant>

namespace zorbex {
namespace {

template <class... Errors>
bool IsAnyOf(const std::exception& e) {
    return (... || (dynamic_cast<const Errors*>(&e) != nullptr));
}

// The rest of what the library throws (future_error and the like are
// logic_errors, bad_any_cast is a bad_cast).
bool IsLibraryError(const std::exception& e) {
    return IsAnyOf<std::logic_error, std::range_error, std::overflow_error, std::underflow_error, std::regex_error,
                   std::bad_cast, std::bad_typeid, std::bad_function_call, std::bad_optional_access,
                   std::bad_variant_access, std::bad_weak_ptr, std::bad_exception>(e);
}

}  // namespace

std::string ErrorText(const std::exception_ptr& error) {
    constexpr const char* kInternal = "Внутренняя ошибка программы: операция прервана";
    constexpr const char* kUnknown = "Неизвестная ошибка: операция прервана";
    if (!error) return kUnknown;
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {  // bad_array_new_length too
        return "Недостаточно памяти: операция прервана";
    } catch (const std::length_error&) {
        return "Слишком большой объём данных: операция прервана";
    } catch (const std::system_error& e) {  // ios_base::failure, filesystem_error
        return "Ошибка операционной системы (код " + std::to_string(e.code().value()) + "): операция прервана";
    } catch (const std::exception& e) {
        // A bare std::exception has only the library's own name for a text.
        if (typeid(e) == typeid(std::exception) || *e.what() == '\0' || IsLibraryError(e)) return kInternal;
        return e.what();
    } catch (...) {
        return kUnknown;
    }
}

}  // namespace zorbex
