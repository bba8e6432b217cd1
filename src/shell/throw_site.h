#pragma once
// Where an exception was thrown, for the error log's "Address".
//
// Linux keeps no address with a C++ exception. Every executable that links this
// library wraps the C++ runtime's throw function (the linker's --wrap), which notes
// the return address of each throw made by the program's own code. The error log
// writes that address as an offset from the start of the program file, so that
// `addr2line -e zevrin 0xOFFSET` names the line whatever address the system loaded
// the program at. An exception thrown inside a shared library (the C++ library's
// own std::out_of_range, Qt) has no noted address.

#include <cstdint>
#include <optional>
#include <string>

namespace zevrin {

/// The offset in its program file of the code that threw the exception object at
/// `exception_object` (the address of what a catch clause received), or nothing
/// when that throw was not noted.
std::optional<uint64_t> throw_site(const void* exception_object);

/// "Address": the low 32 bits of throw_site() as 8 upper-case hexadecimal digits,
/// "00000000" when it is unknown.
std::string throw_address_text(const void* exception_object);

} // namespace zevrin
