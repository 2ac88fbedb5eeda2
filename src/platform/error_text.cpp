#include "platform/error_text.h"

#include <cerrno>
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

struct Words {
    int errnum;
    const char* write;
    const char* open;  // nullptr: as written
};

// The texts of the first rows are those the logs have always shown; keep
// them as they are, people and scripts read them.
constexpr Words kWords[] = {
    {ENOENT, "каталог не найден", "его нет"},
    {ENOTDIR, "часть пути не является каталогом", nullptr},
    {EISDIR, "на этом месте каталог", "это не обычный файл"},
    {EACCES, "нет прав доступа", "нет доступа"},
    {EPERM, "операция не разрешена", "нет доступа"},
    {EROFS, "файловая система только для чтения", nullptr},
    {ENOSPC, "на диске нет места", nullptr},
    {EDQUOT, "превышена дисковая квота", nullptr},
    {EFBIG, "файл слишком велик", nullptr},
    {ENAMETOOLONG, "слишком длинное имя файла", nullptr},
    {ELOOP, "слишком много уровней символических ссылок", nullptr},
    {EIO, "ошибка ввода-вывода", nullptr},
    {ETXTBSY, "файл занят выполняемой программой", nullptr},
    {EBUSY, "файл занят", nullptr},
    {EMFILE, "слишком много открытых файлов", nullptr},
    {ENFILE, "слишком много открытых файлов", nullptr},
    {ENOMEM, "недостаточно памяти", nullptr},
    {ESTALE, "файл изменён или удалён на сервере", nullptr},
    {EEXIST, "файл уже существует", nullptr},
    {EXDEV, "файлы на разных файловых системах", nullptr},
    {ENOTEMPTY, "каталог не пуст", nullptr},
    {EMLINK, "слишком много ссылок на файл", nullptr},
    {EOVERFLOW, "файл слишком велик для этой операции", nullptr},
    // EINVAL on opening: something other than a regular file (platform/file_read.h).
    {EINVAL, "недопустимая операция для этого файла", "это не обычный файл"},
    {EAGAIN, "ресурс временно недоступен", nullptr},
    {EINTR, "операция прервана сигналом", nullptr},
    {ENODEV, "нет такого устройства", nullptr},
    {ENXIO, "устройство не отвечает", nullptr},
    {ENOMEDIUM, "носитель не вставлен", nullptr},
    {EFAULT, "неверный адрес в памяти", nullptr},
    {EBADF, "неверный дескриптор файла", nullptr},
    {ENOLCK, "нет свободных блокировок", nullptr},
    {EDEADLK, "взаимная блокировка", nullptr},
    {EOPNOTSUPP, "операция не поддерживается", nullptr},
    {ENOSYS, "функция не поддерживается системой", nullptr},
    {ENOEXEC, "неверный формат исполняемого файла", nullptr},
    {ENOTTY, "неподходящая операция для устройства", nullptr},
    {ESPIPE, "недопустимое перемещение по файлу", nullptr},
    {EPIPE, "канал закрыт", nullptr},
    {ERANGE, "значение вне допустимого диапазона", nullptr},
    {ENODATA, "нет данных", nullptr},
    {ENOBUFS, "не хватает места в буферах ядра", nullptr},
    {EUCLEAN, "файловая система повреждена", nullptr},
    {EBADMSG, "данные на диске повреждены", nullptr},
    {EREMOTEIO, "ошибка ввода-вывода на удалённой стороне", nullptr},
    {ECANCELED, "операция отменена", nullptr},
    {ETIMEDOUT, "время ожидания истекло", nullptr},
    {ECONNREFUSED, "в соединении отказано", nullptr},
    {ECONNRESET, "соединение сброшено", nullptr},
    {ECONNABORTED, "соединение прервано", nullptr},
    {ENOTCONN, "нет соединения", nullptr},
    {EHOSTDOWN, "узел выключен", nullptr},
    {EHOSTUNREACH, "узел недоступен", nullptr},
    {ENETDOWN, "сеть не работает", nullptr},
    {ENETUNREACH, "сеть недоступна", nullptr},
    {ENOKEY, "нет нужного ключа", nullptr},
    {EKEYREJECTED, "ключ отклонён", nullptr},
};

}  // namespace

std::string SystemErrorText(int errnum, ErrorUse use) {
    for (const Words& words : kWords) {
        if (words.errnum != errnum) continue;
        return use == ErrorUse::kOpen && words.open ? words.open : words.write;
    }
    return "ошибка операционной системы, код " + std::to_string(errnum);
}

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
