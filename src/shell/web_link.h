#pragma once
// Addresses from the registry, the network or a host program are opened with the
// desktop's web browser or mail program, never run: only http, https and (where
// allowed) mailto addresses are handed to the desktop.

#include <string>

namespace zevrin {

enum class LinkKinds { web, web_and_mail };

/// True when `address` is an http or https address with a host (with
/// web_and_mail also a mailto address).
bool safe_link(const std::string& address, LinkKinds kinds);

/// Opens a safe link through the desktop; tells the user why any other address
/// is not opened. True when it was handed to the desktop.
bool open_link(const std::string& address, LinkKinds kinds);

} // namespace zevrin
