#pragma once

// The filter language: a filter text such as
//   ((Base Class=User) #AND# (GUID #PRESENT#))
// is split into items and each item is translated, in the order in which it
// stands, into filter tokens appended to the search's filter cursor, one
// DirAddFilterToken call per token. This is a tokeniser and a per-item
// translator, not a parser: grouping and the precedence of #NOT#, #AND# and
// #OR# are left to the directory client, which builds the expression from the
// token stream. The one structural check made here is done by the search
// before anything else: the text must hold as many "(" as ")".
//
// Items: a keyword ("(", ")", "#AND#", "#OR#", "#NOT#"; the aliases "&&", "&",
// "||", "|" and "!" are rewritten to them) or a comparison
//   name operator value
// with one of the operators "<=", "#LE#", ">=", "#GE#", "=", "#EQ#",
// "#APPROX#", "#PRESENT#". There is no quoting and no escape character: the
// signs ( ) & | ! act as operators wherever they stand, also inside a value.
// Keywords and operators are recognised in upper case only.
//
// Result codes: 0 success; kFilterSyntaxError (-326) for a text that cannot
// be translated; any other code is the directory client's, passed on
// unchanged.

#include "client/client.h"
#include "search/search_state.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veralith::search {

// The code for a filter text that cannot be translated.
inline constexpr client::DirResult kFilterSyntaxError = client::ERR_INVALID_FILTER_SYNTAX;

// The items of a filter text, in order, as lines (untrimmed; some may be empty
// or blank, which TranslateFilterLine skips). Every "(" and ")" and every
// "#AND#", "&&", "&", "#OR#", "||", "|", "#NOT#" and "!" (case-sensitive)
// stands on a line of its own, the aliases rewritten to "#AND#", "#OR#" and
// "#NOT#"; "&&" and "||" give one operator each, "&&&" gives two "#AND#".
// Lines break at CR, LF and CR LF; a NUL character ends the text.
std::vector<std::string> SplitFilterText(const std::string& text);

// Translates one item into tokens on state.cursor:
// - trims spaces and TABs at both ends; an empty item gives 0 with no token
//   and no client call;
// - allocates the cursor with DirAllocFilter when the slot is empty (a failure
//   is the result);
// - "(" emits token 4, ")" 5, "#AND#" 2, "#OR#" 1, "#NOT#" 3 (exact,
//   case-sensitive), each without value and with syntax id 0;
// - otherwise splits the item at the first occurrence of the first operator
//   of the list "<=", "#LE#", ">=", "#GE#", "=", "#EQ#", "#APPROX#",
//   "#PRESENT#" that it holds (list order, not position, decides: "CN=A<=B"
//   splits at "<=") and calls TranslateComparison with the trimmed name and
//   value; an item holding none of them gives kFilterSyntaxError.
// Uses state.current.context for DirGetSyntaxId; may write state.timeStamp
// and append to state.tokenValues.
client::DirResult TranslateFilterLine(const std::string& line, SearchState& state);

// Translates one comparison (name and value already trimmed; op exactly one
// of the eight operators). Names, boolean words and the class values "o" and
// "ou" compare ignoring ASCII case.
// - "Object Class" or "Base Class" (any operator): base-class test. A value of
//   exactly "*" gives kFilterSyntaxError with no token. Emits 17, then 14 with
//   the class name ("o" becomes "Organization", "ou" "Organizational Unit")
//   and syntax id 20.
// - "Name", "CN" or "RDN" with the operator exactly "=": relative-name test.
//   Emits 16, then 14 with the value as typed and syntax id 1.
// - Anything else: attribute test. "Aux Class" is read as "Object Class".
//   DirGetSyntaxId gives the syntax id (its failure is the result). "=" with
//   the value exactly "*" becomes "#PRESENT#", which emits 15, then 14 (name,
//   syntax id). Other operators emit 14 (name, syntax id), the operator token
//   (7 for "=" and "#EQ#", 8 ">=" "#GE#", 9 "<=" "#LE#", 10 "#APPROX#"), then
//   6 with the value converted by the syntax id:
//     0                    no value, syntax id 0
//     1-5, 20, 25          the text as typed
//     7                    int32 1 for "TRUE", "#TRUE#", "#YES#", 0 for
//                          "FALSE", "#FALSE#", "#NO#" (ASCII case ignored);
//                          any other word gives kFilterSyntaxError
//     8, 22, 26, 27        int32 from util::TextToInteger (a text that is no
//                          number gives -1); a number outside the signed
//                          32-bit range gives kFilterSyntaxError
//     19, 24               a DirTimeStamp of the date read by ReadFilterDate
//                          (seconds of its midnight since 1970-01-01, no zone
//                          shift), also copied into state.timeStamp; a text
//                          that gives no date from 1970-01-01 to 2106-02-07
//                          gives kFilterSyntaxError
//     6, 9-18, 21, 23      not comparable: kFilterSyntaxError, no value token
//     above 27             no value, the syntax id
//   A conversion failure is found after tokens 14 and the operator token have
//   been emitted; no token 6 follows it.
// Each step runs only when the steps before it succeeded; the first failing
// client call's code is the result.
client::DirResult TranslateComparison(
    const std::string& name, const std::string& op, const std::string& value, SearchState& state);

// The date of a time value as a date-time value (days since 1899-12-30, whole
// days). The text is read as year-month-day with "-" ("2005-12-31"), and when
// that gives no valid date, with "/" ("2005/12/31"). The text is cut at the
// first separator and the rest at its next one (anything further belongs to
// the day); each part must be a non-empty run of decimal digits whose value
// is at most 65535. Valid: year 1-9999, month 1-12, day 1 to the month's
// length (Gregorian leap years). No valid date by either reading: nullopt.
std::optional<double> ReadFilterDate(const std::string& text);

} // namespace veralith::search
