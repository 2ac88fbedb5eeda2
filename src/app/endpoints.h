#pragma once
// Where the links of the information page lead. The update page and the help
// download are fixed paths on the web site.
namespace zorbex {

inline constexpr const char* kAuthorMail = "mail@zorbex.example.org";
inline constexpr const char* kAuthorWeb = "https://zorbex.example.org/";
inline constexpr const char* kMirrorWeb = "https://zorbex-mirror.example.net/";
inline constexpr const char* kUpdateWeb = "https://zorbex.example.org/update";
inline constexpr const char* kHelpDownloadWeb = "https://zorbex.example.org/appz/zorbhelp.hlp";

// Shown under "АВТОР": the team's name, then its nickname in round brackets.
inline constexpr const char* kAuthorName = "Команда Zorbex\n(zorbex team)";

}  // namespace zorbex
