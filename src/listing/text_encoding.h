#pragma once

// What the run reads and writes, chosen once for the whole run: the console's GBK bytes as
// they are, or UTF-8, converted to GBK for the listing and shown readably.
enum class text_encoding { gbk, utf8 };
