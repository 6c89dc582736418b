// "MyLike": the search function of the document list.
//
// MyLike(value, pattern) is the 1-based position of the pattern in the value, both taken as
// text (NULL as empty), both stripped at either end of every byte below 33, both read through
// LibText (Windows-1251 bytes decoded) and both upper-cased by Unicode case mapping, so that
// the search ignores letter case in any script. 0 when the pattern does not occur or is empty
// after stripping. No character is special: '%', '_' and quotes are searched for as
// themselves. Positions count characters, not bytes.
//
// The engine calls the function once per row with the same pattern; the pattern is prepared
// once and kept until a call brings another one, and a value made of ASCII bytes is searched
// in place without any allocation.
#pragma once

#include <cstddef>
#include <string_view>

namespace ny {

class TNySQLite3DB;

// The rule above on two texts; never throws.
int MyLikePosition(std::string_view value, std::string_view pattern);

// Registers "MyLike" (2 arguments, UTF-8, no user data, scalar) on the connected database of
// `db` through its CreateFunction. Returns the engine's result code (SQLITE_OK on success;
// SQLITE_MISUSE when no engine library is loaded).
int RegisterMyLike(TNySQLite3DB& db);

}  // namespace ny
