// Statement texts of the query record sets: the parameter parser, the substitution of
// parameter values into the text, and the text run at open (filter, limit, offset). Pure
// functions of their arguments; none throws.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nyq {

// Replaces each parameter reference of `sql` by "?" and appends the parameter names, in order
// of appearance, to `names`. A reference is a colon followed by a name outside text in
// single quotes, double quotes or back quotes; the name runs to the next line feed, carriage
// return, blank, ")", "," or ";" and may itself be quoted ("...", '...', `...`: the quotes are
// not part of the name). Two colons in a row stand for one literal colon. A colon followed by
// nothing that could start a name stays as it is.
std::string ParseParams(std::string_view sql, std::vector<std::string>& names);

// One value to put into the statement text, in parameter-list order.
struct TSubstValue {
  enum Kind { Text, Blob, DateTime };
  Kind kind = Text;
  std::string text;    // the value's text form (Text), or the formatted date-time
  bool bound = false;  // the value was assigned
};

// Puts the values into the "?" marks of `text`, first mark first: a blob value leaves the
// character 2 in the mark's place (the statement binds it later); a bound value with an empty
// text becomes NULL; every other value becomes its text in single quotes, inner quotes
// doubled. A "?" inside a value never takes the place of a later parameter. A value without
// a mark left is dropped.
std::string SubstituteValues(std::string_view text, const std::vector<TSubstValue>& values);

// The text run at open: "select * from (" + text + ") where " + filter when filtered and the
// filter is not empty; then " limit " + maxResults when not 0 and " offset " + startResult
// when not 0. (The limit -1 of an offset without limit is the caller's.)
std::string FilteredText(std::string_view text, bool filtered, std::string_view filter);
std::string PagedText(std::string_view text, int32_t maxResults, int32_t startResult);

// Formats a date-time (days since 1899-12-30, fraction = time of day) by a format of the
// letters yyyy yy m mm d dd h hh n nn s ss z zzz (m/mm right after an hour mean minutes);
// text in double or single quotes and every other character are copied.
std::string FormatDateTime(std::string_view format, double dateTime);

}  // namespace nyq
