# Shared by the embedding scripts: a file's text as C++ raw string literals.
#
# veralith_raw_literal(INPUT DELIMITER OUT_PIECES OUT_LENGTH) reads INPUT and
# sets OUT_PIECES to its text as raw literals R"DELIMITER(...)DELIMITER" of at
# most 16,000 characters each, one a line (long literals are split into pieces
# that every compiler accepts; an empty text is ""), and OUT_LENGTH to the
# text's length. A text that holds the closing delimiter stops the build.
function(veralith_raw_literal input delimiter out_pieces out_length)
  file(READ "${input}" content)
  string(FIND "${content}" ")${delimiter}\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${input} holds the literal delimiter )${delimiter}\"")
  endif()
  string(LENGTH "${content}" length)
  set(pieces "")
  set(offset 0)
  while(offset LESS length)
    string(SUBSTRING "${content}" ${offset} 16000 piece)
    string(APPEND pieces "R\"${delimiter}(${piece})${delimiter}\"\n")
    math(EXPR offset "${offset} + 16000")
  endwhile()
  if(pieces STREQUAL "")
    set(pieces "\"\"")
  endif()
  set(${out_pieces} "${pieces}" PARENT_SCOPE)
  set(${out_length} "${length}" PARENT_SCOPE)
endfunction()
