# Writes a C++ source that holds tree files as string literals.
#   cmake -DOUTPUT=file.cpp -DSOURCE_DIR=<repo root> -DINPUTS=a.json|b.json [-DNAMED_INPUTS=c.json] -P embed_trees.cmake
# INPUTS are served by default; NAMED_INPUTS only when named as "builtin:NAME".
string(REPLACE "|" ";" inputs "${INPUTS}")
string(REPLACE "|" ";" named_inputs "${NAMED_INPUTS}")
set(default_inputs ${inputs})
list(APPEND inputs ${named_inputs})
set(body "")
foreach(input IN LISTS inputs)
  list(FIND default_inputs "${input}" default_index)
  if(default_index GREATER -1)
    set(served "true")
  else()
    set(served "false")
  endif()
  file(READ "${input}" content)
  string(FIND "${content}" ")veralith_tree\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${input} holds the literal delimiter )veralith_tree\"")
  endif()
  get_filename_component(stem "${input}" NAME_WE)
  file(RELATIVE_PATH relative "${SOURCE_DIR}" "${input}")
  # Long literals are split into pieces that every compiler accepts.
  string(LENGTH "${content}" length)
  set(pieces "")
  set(offset 0)
  while(offset LESS length)
    string(SUBSTRING "${content}" ${offset} 16000 piece)
    string(APPEND pieces "R\"veralith_tree(${piece})veralith_tree\"\n")
    math(EXPR offset "${offset} + 16000")
  endwhile()
  if(pieces STREQUAL "")
    set(pieces "\"\"")
  endif()
  string(APPEND body "    {\"${stem}\", \"${relative}\", std::string_view(\n${pieces}, ${length}), ${served}},\n")
endforeach()
file(WRITE "${OUTPUT}.tmp" "// Generated from the built-in tree files; do not edit.
#include \"client/memory/builtin_trees.h\"

namespace veralith::client::memory {

const std::vector<BuiltinTree>& BuiltinTrees()
{
    static const std::vector<BuiltinTree> trees = {
${body}    };
    return trees;
}

} // namespace veralith::client::memory
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
