#include "widgets/spoken_names.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QWidget>

#include <algorithm>
#include <array>
#include <cstring>

#include "widgets/file_edit.h"

namespace zorbex {

namespace {

// By page, in tab order. Groups without a caption on screen have no name.
constexpr std::array kNames = std::to_array<SpokenName>({
    // The window.
    {"tab_base", "Страницы"},
    {"btn_quit", "Выход"},
    {"bar_compact", "Ход процесса"},
    // "ПРОГРАММА"
    {"box_tab", "При обычном запуске переключаться на вкладку «Процесс»"},
    {"box_compact", "При командном запуске показывать только индикатор процесса"},
    {"box_quit", "При командном запуске выходить по завершении процесса"},
    {"box_top", "При командном запуске помещать окно поверх всех окон"},
    {"box_remember", "При выходе запоминать выбор плейлистов для процесса"},
    {"box_overwrite", "Перезаписывать файлы, если они уже существуют"},
    {"box_log", "Показывать журнал событий во время процесса"},
    // "ПЛЕЙЛИСТЬI"
    {"grp_idn", "Плейлист"},
    {"btn_upn", "Следующий плейлист"},
    {"btn_dnn", "Предыдущий плейлист"},
    {"btn_savn", "Сохранить плейлист"},
    {"edt_namn", "Название плейлиста"},
    {"grp_outn", "Куда записать плейлист"},
    {"edt_plsn", "Файл плейлиста", "Выбрать файл плейлиста"},
    {"grp_input", "Параметры поиска файлов"},
    {"lst_mask", "Маска файлов"},
    {"btn_down", "Список масок"},
    {"edt_folder", "Каталог для поиска файлов", "Выбрать каталог для поиска"},
    {"box_subfolders", "Включая подкаталоги"},
    {"box_full", "Сохранять полный путь"},
    {"box_hidden", "Включая скрытые файлы"},
    {"box_system", "Включая системные файлы"},
    {"grp_ignore", "Список исключений"},
    {"box_ignore", "Исключить из плейлиста следующие файлы"},
    {"lst_ignore", "Исключаемые файлы"},
    {"edt_ignore", "Пункт списка исключений", "Выбрать файл для списка исключений"},
    {"btn_add", "Добавить пункт"},
    {"btn_edit", "Изменить пункт"},
    {"mnu_ignore", "Действия со списком исключений"},
    // "ОБЪЕДИНЕНИЯ"
    {"grp_idu", "Объединение"},
    {"btn_upu", "Следующее объединение"},
    {"btn_dnu", "Предыдущее объединение"},
    {"btn_savu", "Сохранить объединение"},
    {"edt_namu", "Название объединения"},
    {"grp_outu", "Куда записать объединение"},
    {"edt_plsu", "Файл объединения", "Выбрать файл объединения"},
    {"lst_union", "Плейлисты в объединении"},
    {"mnu_union", "Действия со списком плейлистов"},
    // "ПРОЦЕСС"
    {"lst_do", "Плейлисты и объединения для процесса"},
    {"btn_start", "Запуск"},
    {"log_memo", "Журнал событий"},
    {"btn_log", "Скрыть журнал"},
    {"bar_progress", "Ход текущего этапа"},
    {"bar_total", "Итог процесса"},
    {"mnu_go", "Действия со списком процесса"},
    // "ИНФОРМАЦИЯ"
    {"img_icon", "Значок программы"},
    {"url_mail", "Написать письмо автору"},
    {"url_web", "Сайт автора"},
    {"url_mirror", "Зеркало сайта"},
    {"url_help", "Справка по программе"},
    {"url_update", "Новости об обновлениях"},
    // The help window.
    {"txt_help", "Текст справки"},
    {"btn_contents", "Содержание справки"},
    {"btn_close", "Закрыть справку"},
});

// The pages' tabs; the pages themselves stay unnamed, or each would be read twice.
constexpr std::array kPages = std::to_array<SpokenName>({
    {"tab_app", "Программа"},
    {"tab_playlist", "Плейлисты"},
    {"tab_combine", "Объединения"},
    {"tab_process", "Процесс"},
    {"tab_info", "Информация"},
});

constexpr std::array kTied = std::to_array<TiedLabel>({
    {"txt_tab", "box_tab"},
    {"txt_compact", "box_compact"},
    {"txt_quit", "box_quit"},
    {"txt_top", "box_top"},
    {"txt_remember", "box_remember"},
    {"txt_overwrite", "box_overwrite"},
    {"txt_log", "box_log"},
    {"txt_mask", "lst_mask"},
    {"txt_ignore", "box_ignore"},
});

template <class Table>
const SpokenName* Find(const Table& table, const QString& control) {
    const QByteArray key = control.toLatin1();
    const auto found =
        std::find_if(table.begin(), table.end(), [&](const SpokenName& entry) { return key == entry.control; });
    return found == table.end() ? nullptr : &*found;
}

}  // namespace

std::span<const SpokenName> SpokenNames() { return kNames; }
std::span<const SpokenName> PageNames() { return kPages; }
std::span<const TiedLabel> TiedLabels() { return kTied; }

QString SpokenNameOf(const QString& control) {
    const SpokenName* entry = Find(kNames, control);
    if (!entry) entry = Find(kPages, control);
    return entry ? QString::fromUtf8(entry->name) : QString();
}

void ApplySpokenNames(QWidget* root) {
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : widgets) {
        const SpokenName* entry = Find(kNames, widget->objectName());
        if (!entry) continue;
        const QString name = QString::fromUtf8(entry->name);
        if (auto* field = qobject_cast<TFileNameEdit*>(widget)) {
            field->lineEdit()->setAccessibleName(name);
            field->browseButton()->setAccessibleName(QString::fromUtf8(entry->browse));
            continue;
        }
        widget->setAccessibleName(name);
        // The text line of an editable combo box is the same control.
        if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->lineEdit())
            combo->lineEdit()->setAccessibleName(name);
    }
    for (const TiedLabel& tie : kTied) {
        auto* label = root->findChild<QLabel*>(QString::fromLatin1(tie.label));
        auto* control = root->findChild<QWidget*>(QString::fromLatin1(tie.control));
        if (!label || !control) continue;
        label->setBuddy(control);
        label->setAccessibleName(control->accessibleName());
    }
    for (QTabWidget* pages : root->findChildren<QTabWidget*>()) {
        for (int i = 0; i < pages->count(); ++i)
            pages->tabBar()->setAccessibleTabName(i, SpokenNameOf(pages->widget(i)->objectName()));
    }
}

}  // namespace zorbex
