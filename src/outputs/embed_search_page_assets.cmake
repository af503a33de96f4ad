# Writes the searchable page's style sheet and script into a header as
# string literals; run by the build (cmake -P) whenever either file or the
# template changes:
#   cmake -DCSS=... -DJS=... -DTEMPLATE=... -DOUTPUT=... -P embed_search_page_assets.cmake
file(READ ${CSS} PDFINDEX_SEARCH_PAGE_CSS)
file(READ ${JS} PDFINDEX_SEARCH_PAGE_JS)
foreach(asset PDFINDEX_SEARCH_PAGE_CSS PDFINDEX_SEARCH_PAGE_JS)
  string(FIND "${${asset}}" ")pdfindex_asset\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${asset} holds the raw string delimiter )pdfindex_asset\"")
  endif()
endforeach()

# Lines that are only a comment stay in the source and out of every page
# written. Past them the script holds no backtick, so no template literal,
# and no such line was inside a string.
string(REGEX REPLACE "\n[ \t]*//[^\n]*" "" PDFINDEX_SEARCH_PAGE_JS "${PDFINDEX_SEARCH_PAGE_JS}")
string(FIND "${PDFINDEX_SEARCH_PAGE_JS}" "`" backtick)
if(NOT backtick EQUAL -1)
  message(FATAL_ERROR "the script holds a backtick outside its comment lines")
endif()

# The script in pieces of at most 60,000 bytes, each ending at a line's end
# (so that no character is cut): a compiler need take string literals of no
# more than 65,536 bytes, and some refuse longer ones.
set(rest "${PDFINDEX_SEARCH_PAGE_JS}")
set(PDFINDEX_SEARCH_PAGE_JS_PIECES "")
string(LENGTH "${rest}" left)
while(left GREATER 0)
  if(left LESS_EQUAL 60000)
    set(piece "${rest}")
    set(rest "")
  else()
    string(SUBSTRING "${rest}" 0 60000 head)
    string(FIND "${head}" "\n" cut REVERSE)
    if(cut EQUAL -1)
      message(FATAL_ERROR "the script has a line longer than 60,000 bytes")
    endif()
    math(EXPR cut "${cut} + 1")
    string(SUBSTRING "${rest}" 0 ${cut} piece)
    string(SUBSTRING "${rest}" ${cut} -1 rest)
  endif()
  string(APPEND PDFINDEX_SEARCH_PAGE_JS_PIECES "    R\"pdfindex_asset(${piece})pdfindex_asset\",\n")
  string(LENGTH "${rest}" left)
endwhile()
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
