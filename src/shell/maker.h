#pragma once
// The maker's addresses, shared by the help menu's links and the error log.

namespace zevrin {

inline constexpr const char* maker_web_site = "https://www.marvendata.com/";
inline constexpr const char* maker_mail_address = "support@marvendata.com";
inline constexpr const char* maker_mail_link = "mailto:support@marvendata.com";

} // namespace zevrin
