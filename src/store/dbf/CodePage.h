#pragma once
// The code pages a table's text may be in, chosen by the table's language driver byte.
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tk::dbf {

enum class CodePage { Cp1251, Cp866 };

// The code page a language driver byte declares; nullopt for one we do not know.
// A byte of 0 declares nothing; such files in this office are Windows-1251.
std::optional<CodePage> codePageOfDriver(std::uint8_t ldid);
std::uint8_t driverOfCodePage(CodePage cp); // 0xC9 or 0x26
const char* codePageName(CodePage cp);

// Appends the UTF-8 form of raw code-page bytes to out.
void decodeText(CodePage cp, const char* raw, std::size_t n, std::string& out);
// Encodes UTF-8 text; false (and *bad set to the first character) when a character has
// no byte in the code page.
bool encodeText(CodePage cp, std::string_view utf8, std::string& out, char32_t* bad);

} // namespace tk::dbf
