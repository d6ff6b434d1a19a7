#pragma once

// Result naming: the display text of a found object, built from the search's
// naming template. Placeholders (matched case-sensitively):
//
//   #NAME#                      the object name as the search returned it
//   #CLASS#                     its base class name
//   #[field]#                   a field's text
//   #[format][field]#           a field's text put through format, a pattern
//                               of util::Format that takes one text ("%s",
//                               "(%s)", "%-20s", "%.8s")
//
// Fields:
//   dn                 the full dotted name with a leading dot
//   rdn                the relative name from the entry information
//   DN, NAME           the object name as the search returned it
//   CN                 the common name: the name up to its first ".", and of
//                      that the part after the first "CN=" if there is one
//                      (CN=jsmith.OU=Sales.O=Org and jsmith.Sales.Org give
//                      jsmith; OU=Sales.O=Org gives OU=Sales)
//   CTX                the dotted name of the container that holds the
//                      object, with a leading dot
//   CREATIONTIME       the creation time as "ddddd t" (short date, a blank,
//   MODIFICATIONTIME   short time) in the regional settings; likewise the
//                      last modification time
//   CLASS              the base class name
//   anything else      an attribute specification read with
//                      values::ReadAttributeText on the search's context, the
//                      values joined by CR LF; an attribute the object does
//                      not carry (-603) gives an empty text, any other
//                      failure leaves the placeholder in the text unchanged
// An empty field ("#[]#", "#[%s][]#") leaves the placeholder unchanged.

#include "search/search_state.h"
#include "util/result.h"

#include <string>

namespace veralith::search {

// Builds the display text of state.current (name, info, context) from
// state.nameTemplate:
// 1. the fields "#[...]#" in the order in which they stand in the template,
//    each replacing the first occurrence of its placeholder in the text;
// 2. every "#CLASS#" becomes the base class name;
// 3. state.namePosition becomes the 1-based position of the first "#NAME#"
//    in the text at this point, 0 if there is none;
// 4. every "#NAME#" becomes the object name.
// Throws util::FormatError when a field's format does not take exactly one
// text argument (the search ends on it); any such pattern is safe to pass.
std::string ExpandResultName(SearchState& state);

// Checks every field format of a naming template as ExpandResultName applies
// it: success when each takes exactly one text, otherwise a failure saying
// what is wrong and where (the field and the formatter's message), for a
// template given by a user to be refused before a search that would end on it.
util::Status CheckNameTemplate(const std::string& nameTemplate);

} // namespace veralith::search
