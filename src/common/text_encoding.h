#pragma once

// What the run reads and writes, chosen once for the whole run: the console's GBK bytes as
// they are, or UTF-8, converted for the listing to code page 936 (GBK) or to GB18030-2022
// (which has a code for every character) and shown readably.
enum class text_encoding { gbk, utf8, gb18030 };

constexpr bool reads_utf8(text_encoding encoding) { return encoding != text_encoding::gbk; }
