#pragma once
// Addresses from the registry, the network or a host program are opened with the
// desktop's web browser or mail program, never run: only http, https and (where
// allowed) mailto addresses are handed to the desktop, and local files only when
// they lie in the user guide's own folder.

#include <string>

namespace zevrin {

enum class LinkKinds { web, web_and_mail };

/// True when `address` is an http or https address with a host (with
/// web_and_mail also a mailto address).
/// A file address (file:///...) is safe only when `guide_folder` is given and the
/// file, with every link and ".." resolved, is a file inside that folder.
bool safe_link(const std::string& address, LinkKinds kinds, const std::string& guide_folder = {});

/// Opens a safe link through the desktop; tells the user why any other address
/// is not opened. True when it was handed to the desktop.
bool open_link(const std::string& address, LinkKinds kinds, const std::string& guide_folder = {});

} // namespace zevrin
